#include "store/settings_store.h"
#include "store/category_filter.h"
#include <cwchar>

const WCHAR SETTINGS_KEY[] = L"Software\\Brenvo\\Zifferbox";
const WCHAR CATEGORY_VALUE_NAME[] = L"Kategorie";

namespace {
constexpr DWORD READ_LIMIT_BYTES = 510;

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (key)
            RegCloseKey(key);
    }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    HKEY *out() { return &key; }
    HKEY get() const { return key; }

private:
    HKEY key = nullptr;
};
}  // namespace

SettingsStore::~SettingsStore() = default;

bool SettingsStore::readCategoryFilter(WCHAR *buffer)
{
    buffer[0] = L'\0';
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
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
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.out(), nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR));
    RegSetValueExW(key.get(), CATEGORY_VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), bytes);
}
