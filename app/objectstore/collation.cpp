// The system's collation under the store's keys and names.
#include "objectstore/collation.h"
#include <windows.h>
#include <cstring>

void AppendTextSortKey(std::string &key, const char *utf16, size_t units, bool ignoreCase, const std::wstring &localeName)
{
    // The text with its terminator: LCMapStringW refuses an empty source of explicit length.
    // Field-sized texts are copied on the stack: a heap block per key is a large part of an open.
    WCHAR shortText[256];
    std::wstring longText;
    const WCHAR *text = shortText;
    if (units < 256) {
        std::memcpy(shortText, utf16, units * sizeof(WCHAR));
        shortText[units] = L'\0';
    } else {
        longText.assign(units, L'\0');
        std::memcpy(&longText[0], utf16, units * sizeof(WCHAR));
        text = longText.c_str();
    }
    const DWORD flags = LCMAP_SORTKEY | (ignoreCase ? NORM_IGNORECASE : 0);
    // No name (the system could not tell it): the user's locale as it is.
    const WCHAR *locale = localeName.empty() ? LOCALE_NAME_USER_DEFAULT : localeName.c_str();
    BYTE local[512];
    int length = LCMapStringEx(locale, flags, text, -1, reinterpret_cast<LPWSTR>(local), sizeof local, nullptr, nullptr, 0);
    if (length > 0) {
        key.append(reinterpret_cast<const char *>(local), length);
        return;
    }
    length = LCMapStringEx(locale, flags, text, -1, nullptr, 0, nullptr, nullptr, 0);
    if (length <= 0)
        return;
    const size_t start = key.size();
    key.resize(start + length);
    LCMapStringEx(locale, flags, text, -1, reinterpret_cast<LPWSTR>(&key[start]), length, nullptr, nullptr, 0);
}

std::wstring UserLocaleName()
{
    WCHAR name[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

bool SameNameIgnoringCase(const std::wstring &a, const std::wstring &b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}
