// Runs a program of the build as a separate process and finds its windows from outside.
#pragma once
#include <windows.h>
#include <string>

// A Unix path of the build (as CMake knows it) as the Windows path Wine maps it to.
std::wstring WinePathOf(const char *unixPath);

class ChildProcess {
public:
    ChildProcess(const std::wstring &program, const std::wstring &arguments = L"",
                 const std::wstring &currentDirectory = L"");
    ~ChildProcess();  // ends the process if it still runs
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return process != nullptr; }
    DWORD id() const { return processId; }
    // Waits for the end; returns the exit code, or STILL_ACTIVE after the timeout.
    DWORD wait(DWORD timeoutMs);
    // A visible top-level window of this process with the class (null: any), or null after the timeout.
    HWND waitForWindow(const wchar_t *className, DWORD timeoutMs) const;

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// The text of a message box (its static control) and its caption.
std::wstring MessageBoxText(HWND box);
// Presses a message box button by its id (IDOK, IDCANCEL).
void PressButton(HWND box, int id);
