// Scratch folders, files, registry and child processes for the installer's tests.
#pragma once
#include <windows.h>
#include <string>

// A path from the build (a Unix path under Wine) as a Windows path.
std::wstring WindowsPath(const char *path);
// Fresh, empty folder for one test: <ZB_TEST_DIR or temp>\<name>-<pid>.
std::wstring FreshScratchFolder(const std::string &name);
// A folder under parent whose full path is exactly length characters (created).
std::wstring FolderOfLength(const std::wstring &parent, size_t length);
// Creates the folder and the folders above it.
void MakeFolder(const std::wstring &folder);
// Writes bytes, also to paths longer than MAX_PATH.
bool WriteWholeFile(const std::wstring &path, const std::string &bytes);
// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::wstring &path);
bool FileExists(const std::wstring &path);
std::string Narrow(const std::wstring &text);
// True while a process with this executable file name runs.
bool ProcessRunning(const wchar_t *exeName);

// Saves HKLM ...\App Paths\CEAppMgr.exe as found and puts it back when destroyed.
class ManagerRegistration {
public:
    ManagerRegistration();
    ~ManagerRegistration();
    ManagerRegistration(const ManagerRegistration &) = delete;
    ManagerRegistration &operator=(const ManagerRegistration &) = delete;
    void Remove();
    void SetValue(DWORD type, const void *data, DWORD size);
    void SetPath(const std::wstring &path);  // REG_SZ with its terminator
    std::wstring Path() const;
private:
    bool existed_ = false;
    DWORD type_ = 0;
    std::string saved_;
};

// A child process started with a current directory; killed if still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::wstring &exe, const std::wstring &arguments, const std::wstring &currentDirectory);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    bool started() const { return process_.hProcess != nullptr; }
    HANDLE handle() const { return process_.hProcess; }
    // The exit code, or STILL_ACTIVE when it has not ended within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs);
private:
    PROCESS_INFORMATION process_ = {};
};
