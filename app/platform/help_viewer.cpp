// Starts PegHelp.exe from the program's own folder with "file.htp#anchor".
#include "platform/help_viewer.h"
#include "common/program_folder.h"
#include "common/unique_handles.h"
#include <string>

void StartHelpViewer(const WCHAR *fileAndAnchor)
{
    if (!fileAndAnchor) return;
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) return;

    const std::wstring viewer = folder + L"PegHelp.exe";
    std::wstring commandLine = L"\"" + viewer + L"\" " + fileAndAnchor;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(viewer.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    // The viewer runs on its own: nothing here waits for it.
    const UniqueHandle thread(process.hThread), started(process.hProcess);
}
