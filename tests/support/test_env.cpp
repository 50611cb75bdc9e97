#include "support/test_env.h"
#include <string>

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
