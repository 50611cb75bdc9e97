#include "manager_registration.h"

static const wchar_t MANAGER_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

ManagerRegistration::ManagerRegistration()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MANAGER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        saved_.resize(size);
        RegQueryValueExW(key, nullptr, nullptr, &type_, reinterpret_cast<BYTE *>(&saved_[0]), &size);
        existed_ = true;
    }
    RegCloseKey(key);
}

ManagerRegistration::~ManagerRegistration()
{
    Remove();
    if (existed_)
        SetValue(type_, saved_.data(), static_cast<DWORD>(saved_.size()));
}

void ManagerRegistration::Remove()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, MANAGER_KEY);
}

void ManagerRegistration::SetValue(DWORD type, const void *data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, MANAGER_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE *>(data), size);
        RegCloseKey(key);
    }
}

void ManagerRegistration::SetPath(const std::wstring &path)
{
    SetValue(REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

std::wstring ManagerRegistration::Path() const
{
    wchar_t path[1024] = L"";
    DWORD size = sizeof path - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, MANAGER_KEY, nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}
