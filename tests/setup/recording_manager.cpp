// Stands in for the application manager in the installer's tests: writes the command line it
// was given to the file named by ZB_RECORD_FILE, then stays alive until the test signals the
// event named by ZB_RECORD_RELEASE, so the test can see that setup ended without waiting for it.
#include <windows.h>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char recordFile[MAX_PATH] = "";
    char releaseEvent[MAX_PATH] = "";
    GetEnvironmentVariableA("ZB_RECORD_FILE", recordFile, MAX_PATH);
    GetEnvironmentVariableA("ZB_RECORD_RELEASE", releaseEvent, MAX_PATH);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, releaseEvent);

    // Written beside, then renamed: the test never reads half a record.
    const std::string commandLine = GetCommandLineA();
    const std::string partial = std::string(recordFile) + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, commandLine.data(), static_cast<DWORD>(commandLine.size()), &written, nullptr);
        CloseHandle(file);
        MoveFileExA(partial.c_str(), recordFile, MOVEFILE_REPLACE_EXISTING);
    }
    if (release) {
        WaitForSingleObject(release, 10000);
        CloseHandle(release);
    }
    return 0;
}
