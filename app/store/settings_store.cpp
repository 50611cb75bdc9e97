#include "store/settings_store.h"
#include "store/category_filter.h"
#include "common/unique_handles.h"
#include <cwchar>

const WCHAR SETTINGS_KEY[] = L"Software\\Brenvo\\Zifferbox";
const WCHAR CATEGORY_VALUE_NAME[] = L"Kategorie";

namespace {
constexpr DWORD READ_LIMIT_BYTES = 510;
}  // namespace

SettingsStore::~SettingsStore() = default;

bool SettingsStore::readCategoryFilter(WCHAR *buffer)
{
    buffer[0] = L'\0';
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        return false;
    // The value may have been written by anyone: read into a scratch buffer one character larger
    // than the limit, accept only text, and terminate it ourselves.
    WCHAR text[READ_LIMIT_BYTES / sizeof(WCHAR) + 1] = L"";
    DWORD type = 0;
    DWORD size = READ_LIMIT_BYTES;
    if (RegQueryValueExW(key.get(), CATEGORY_VALUE_NAME, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) !=
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
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.receive(), nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR));
    RegSetValueExW(key.get(), CATEGORY_VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), bytes);
}
