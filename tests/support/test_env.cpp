#include "support/test_env.h"
#include <string>

std::wstring UseFreshStoreFile(const wchar_t *tag)
{
    std::wstring path = TestFolder() + L"\\" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L".zbs";
    // Wine hands out the same process ids again in a later run: whatever such a run left goes.
    for (const wchar_t *suffix :
         {L"", L".new", L".tail", L".order", L".vor-wiederherstellung", L".vor-wiederherstellung.tail"})
        DeleteFileW((path + suffix).c_str());
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
