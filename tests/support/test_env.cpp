#include "support/test_env.h"
#include <shlobj.h>
#include <string>

std::wstring TestFolder()
{
    WCHAR base[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(L"ZB_TEST_DIR", base, MAX_PATH);
    std::wstring folder;
    if (length == 0 || length >= MAX_PATH) {
        GetTempPathW(MAX_PATH, base);
        folder = std::wstring(base) + L"zifferbox-tests";
    } else {
        // ctest hands over the build's Unix path; Wine reaches it through drive Z:.
        folder = base;
        if (folder[0] == L'/') {
            for (wchar_t &c : folder)
                if (c == L'/')
                    c = L'\\';
            folder = L"Z:" + folder;
        }
    }
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

std::wstring UseFreshStoreFile(const wchar_t *tag)
{
    std::wstring path = TestFolder() + L"\\" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L".zbs";
    DeleteFileW(path.c_str());
    DeleteFileW((path + L".new").c_str());
    SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", path.c_str());
    return path;
}

static HKEY scratchKey = nullptr;

void UseScratchCurrentUserKey()
{
    const std::wstring name = L"Software\\ZifferboxTests\\" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, name.c_str());
    RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratchKey, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratchKey);
}

void RestoreCurrentUserKey()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (scratchKey) {
        RegCloseKey(scratchKey);
        scratchKey = nullptr;
        const std::wstring name = L"Software\\ZifferboxTests\\" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, name.c_str());
    }
}

std::string ReadWholeFile(const std::wstring &path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == bytes.size();
}
