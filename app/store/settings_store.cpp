#include "store/settings_store.h"
#include "store/category_filter.h"
#include "common/unique_handles.h"
#include <cwchar>

const WCHAR kSettingsKey[] = L"Software\\Brenvo\\Zifferbox";
const WCHAR kCategoryValueName[] = L"Kategorie";

namespace {
constexpr DWORD kReadLimitBytes = 510;
}  // namespace

SettingsStore::~SettingsStore() = default;

bool SettingsStore::readCategoryFilter(WCHAR *buffer)
{
    buffer[0] = L'\0';
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        return false;
    // The value may have been written by anyone: read into a scratch buffer one character larger
    // than the limit, accept only text, and terminate it ourselves.
    WCHAR text[kReadLimitBytes / sizeof(WCHAR) + 1] = L"";
    DWORD type = 0;
    DWORD size = kReadLimitBytes;
    if (RegQueryValueExW(key.get(), kCategoryValueName, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text[size / sizeof(WCHAR)] = L'\0';
    CopyField(buffer, text);
    return true;
}

void SettingsStore::writeCategoryFilter(const WCHAR *text)
{
    UniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.receive(), nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR));
    RegSetValueExW(key.get(), kCategoryValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), bytes);
}
