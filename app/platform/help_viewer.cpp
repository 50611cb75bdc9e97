// Starts PegHelp.exe from the program's own folder with "file.htp#anchor".
#include "platform/help_viewer.h"
#include <string>

void StartHelpViewer(const WCHAR *fileAndAnchor)
{
    if (!fileAndAnchor) return;
    WCHAR module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring folder(module, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);

    const std::wstring viewer = folder + L"PegHelp.exe";
    std::wstring commandLine = L"\"" + viewer + L"\" " + fileAndAnchor;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(viewer.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
