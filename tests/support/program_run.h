// Runs a console program of the build to its end with its output captured.
#pragma once
#include <windows.h>
#include <string>

struct ProgramRun {
    DWORD exitCode = STILL_ACTIVE;  // STILL_ACTIVE: did not end in time (it was ended)
    std::string out;                // standard output, bytes as written
    std::string err;                // standard error
};

// arguments: the command line after the program; every argument quoted by the caller.
ProgramRun RunProgram(const std::wstring &program, const std::wstring &arguments, DWORD timeoutMs = 120000);
// An argument quoted for a command line (inner quotes doubled as backslash-quote).
std::wstring Quoted(const std::wstring &argument);
