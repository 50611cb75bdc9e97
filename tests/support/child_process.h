// Runs a program of the build as a separate process and finds its windows from outside.
#pragma once
#include <windows.h>
#include <string>

class ChildProcess {
public:
    ChildProcess(const std::wstring &program, const std::wstring &arguments = L"",
                 const std::wstring &currentDirectory = L"");
    ~ChildProcess();  // ends the process if it still runs
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return process != nullptr; }
    DWORD id() const { return processId; }
    HANDLE handle() const { return process; }
    // Waits for the end; returns the exit code, or STILL_ACTIVE after the timeout.
    DWORD wait(DWORD timeoutMs);
    // A visible top-level window of this process with the class (null: any), or null after the timeout.
    HWND waitForWindow(const wchar_t *className, DWORD timeoutMs) const;

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// First top-level window of the process with the class (null: any, case ignored), or null.
HWND FindProcessWindow(DWORD processId, const wchar_t *className, bool visibleOnly);
// True while a process with this executable file name runs.
bool ProcessRunning(const wchar_t *exeName);

// Runs a shell command as a Linux process, outside this Wine session's share modes, and waits up
// to timeoutMs for it to end; false when it could not start or did not end. Wine starts a
// non-Windows program without a process handle, so the command's end is seen by a marker file.
bool RunLinuxCommand(const std::string &command, DWORD timeoutMs = 15000);
// The Linux path Wine gives a Windows path; empty when it has none.
std::string LinuxPathOf(const std::wstring &path);
