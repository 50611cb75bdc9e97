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
