#include "registration.h"
#include "common/unique_handles.h"
#include <windows.h>

bool RegisterManager(std::wstring &registeredPath)
{
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    registeredPath.assign(path, length);

    UniqueKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe",
                        0, nullptr, 0, KEY_SET_VALUE, nullptr, key.receive(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = (length + 1) * sizeof(WCHAR);
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(path), bytes) == ERROR_SUCCESS;
}
