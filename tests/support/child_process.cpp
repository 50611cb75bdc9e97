#include "support/child_process.h"
#include <vector>

std::wstring WinePathOf(const char *unixPath)
{
    std::wstring path = L"Z:";
    for (const char *c = unixPath; *c; ++c)
        path += (*c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

ChildProcess::ChildProcess(const std::wstring &program, const std::wstring &arguments,
                           const std::wstring &currentDirectory)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {sizeof startup};
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

namespace {
struct WindowSearch {
    DWORD processId;
    const wchar_t *className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    WCHAR name[256] = L"";
    GetClassNameW(window, name, 256);
    if (search->className && lstrcmpiW(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND ChildProcess::waitForWindow(const wchar_t *className, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    do {
        WindowSearch search = {processId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::wstring MessageBoxText(HWND box)
{
    WCHAR text[1024] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

void PressButton(HWND box, int id)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}
