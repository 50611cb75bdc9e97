#include "support/child_process.h"
#include <tlhelp32.h>
#include <vector>
#include "support/test_files.h"

ChildProcess::ChildProcess(const std::wstring &program, const std::wstring &arguments,
                           const std::wstring &currentDirectory)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
        processId = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess()
{
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

DWORD ChildProcess::wait(DWORD timeoutMs)
{
    if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

HWND ChildProcess::waitForWindow(const wchar_t *className, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    do {
        if (HWND found = FindProcessWindow(processId, className, true))
            return found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const wchar_t *className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || (search->visibleOnly && !IsWindowVisible(window)))
        return TRUE;
    WCHAR name[256] = L"";
    GetClassNameW(window, name, 256);
    if (search->className && lstrcmpiW(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND FindProcessWindow(DWORD processId, const wchar_t *className, bool visibleOnly)
{
    WindowSearch search = {processId, className, visibleOnly, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ProcessRunning(const wchar_t *exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
        running = lstrcmpiW(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return running;
}

std::string LinuxPathOf(const std::wstring &path)
{
    using UnixName = char *(CDECL *)(const WCHAR *);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char *name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name)
        return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool RunLinuxCommand(const std::string &command, DWORD timeoutMs)
{
    static unsigned runs = 0;
    const std::wstring marker = TestFolder() + L"\\linux-done-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++runs);
    const std::string markerPath = LinuxPathOf(marker);
    if (markerPath.empty())
        return false;
    // Wine splits the command line for the Linux program by the Windows rules: the command goes
    // to sh as one argument in double quotes (commands here hold no backslashes).
    std::wstring commandLine = L"/bin/sh -c \"";
    for (char c : command + "; touch '" + markerPath + "'") {
        if (c == '"')
            commandLine += L'\\';
        commandLine += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    commandLine += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    if (info.hThread)
        CloseHandle(info.hThread);
    if (info.hProcess)
        CloseHandle(info.hProcess);
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        if (FileExists(marker)) {
            DeleteFileW(marker.c_str());
            return true;
        }
        Sleep(20);
    }
    return false;
}
