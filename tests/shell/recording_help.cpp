// Stands in for PegHelp.exe beside the window tests: notes the argument of every start as a
// line of the file that ZB_HELP_RECORD names.
#include <windows.h>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    WCHAR record[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"ZB_HELP_RECORD", record, MAX_PATH);
    if (argc < 2 || length == 0 || length >= MAX_PATH)
        return 1;
    HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const std::wstring argument = argv[1];
    const std::string line = std::string(argument.begin(), argument.end()) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
