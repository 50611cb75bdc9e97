#include "objectstore/sort_key.h"
#include <cstring>
#include "objectstore/little_endian.h"
#include "objectstore/object_store.h"

namespace {

const char kMissing = 0;
const char kPresent = 1;

void AppendBigEndian(std::string &key, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        key.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void AppendTextKey(std::string &key, const PropertyRef &property, DWORD sortFlags, const WCHAR *locale)
{
    // The text with its terminator: LCMapStringW refuses an empty source of explicit length.
    // Field-sized texts are copied on the stack: a heap block per key is a large part of an open.
    const char *data = property.data;
    const size_t units = property.size / 2;
    WCHAR shortText[256];
    std::wstring longText;
    const WCHAR *text = shortText;
    if (units < 256) {
        std::memcpy(shortText, data, units * sizeof(WCHAR));
        shortText[units] = L'\0';
    } else {
        longText.assign(units, L'\0');
        std::memcpy(&longText[0], data, units * sizeof(WCHAR));
        text = longText.c_str();
    }
    const DWORD flags = LCMAP_SORTKEY | ((sortFlags & CEDB_SORT_CASEINSENSITIVE) ? NORM_IGNORECASE : 0);
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

}  // namespace

void AppendSortKey(std::string &key, const PropertyRef *property, DWORD sortFlags, const std::wstring &locale)
{
    key.push_back(property ? kPresent : kMissing);
    if (!property)
        return;
    const uint64_t number = property->size <= 8 ? GetLittleEndian(property->data, property->size) : 0;
    switch (TypeFromPropID(property->propid)) {
    case CEVT_I2:
        AppendBigEndian(key, number ^ 0x8000u, 2);
        break;
    case CEVT_I4:
        AppendBigEndian(key, number ^ 0x80000000u, 4);
        break;
    case CEVT_UI2:
    case CEVT_UI4:
    case CEVT_FILETIME:
        AppendBigEndian(key, number, static_cast<int>(property->size));
        break;
    case CEVT_BOOL:
        key.push_back(number ? 1 : 0);
        break;
    case CEVT_R8: {
        // IEEE doubles order as integers once negative ones have all bits flipped and positive
        // ones the sign bit.
        uint64_t bits = number;
        bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
        AppendBigEndian(key, bits, 8);
        break;
    }
    case CEVT_LPWSTR:
        // No name (the system could not tell it): the user's locale as it is.
        AppendTextKey(key, *property, sortFlags, locale.empty() ? LOCALE_NAME_USER_DEFAULT : locale.c_str());
        break;
    default:
        key.append(property->data, property->size);
        break;
    }
}

std::string MakeSortKey(const PropertyRef *property, DWORD sortFlags, const std::wstring &locale)
{
    std::string key;
    AppendSortKey(key, property, sortFlags, locale);
    return key;
}

std::wstring UserLocaleName()
{
    WCHAR name[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

bool IsMissingKey(std::string_view key) { return key.empty() || key[0] == kMissing; }

int CompareSortKeys(std::string_view a, std::string_view b, DWORD sortFlags)
{
    const bool aMissing = IsMissingKey(a);
    const bool bMissing = IsMissingKey(b);
    if (aMissing || bMissing)
        return aMissing == bMissing ? 0 : (aMissing ? -1 : 1);
    const int order = a.compare(b);
    const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
    return (sortFlags & CEDB_SORT_DESCENDING) ? -sign : sign;
}
