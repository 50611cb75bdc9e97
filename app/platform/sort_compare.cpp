#include "platform/sort_compare.h"
#include <cstring>
#include "platform/object_store.h"

namespace {

const char kMissing = 0;
const char kPresent = 1;

uint64_t LittleEndian(const std::string &data)
{
    uint64_t value = 0;
    for (size_t i = data.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

void AppendBigEndian(std::string &key, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        key.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void AppendTextKey(std::string &key, const std::string &data, DWORD sortFlags)
{
    // The text with its terminator: LCMapStringW refuses an empty source of explicit length.
    std::wstring text(data.size() / 2, L'\0');
    if (!text.empty())
        std::memcpy(&text[0], data.data(), data.size());
    const DWORD flags = LCMAP_SORTKEY | ((sortFlags & CEDB_SORT_CASEINSENSITIVE) ? NORM_IGNORECASE : 0);
    BYTE local[512];
    int length = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(local), sizeof local);
    if (length > 0) {
        key.append(reinterpret_cast<const char *>(local), length);
        return;
    }
    length = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return;
    const size_t start = key.size();
    key.resize(start + length);
    LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(&key[start]), length);
}

}  // namespace

std::string MakeSortKey(const StoredProperty *property, DWORD sortFlags)
{
    std::string key(1, property ? kPresent : kMissing);
    if (!property)
        return key;
    const std::string &data = property->data;
    switch (TypeFromPropID(property->propid)) {
    case CEVT_I2:
        AppendBigEndian(key, LittleEndian(data) ^ 0x8000u, 2);
        break;
    case CEVT_I4:
        AppendBigEndian(key, LittleEndian(data) ^ 0x80000000u, 4);
        break;
    case CEVT_UI2:
    case CEVT_UI4:
    case CEVT_FILETIME:
        AppendBigEndian(key, LittleEndian(data), static_cast<int>(data.size()));
        break;
    case CEVT_BOOL:
        key.push_back(LittleEndian(data) ? 1 : 0);
        break;
    case CEVT_R8: {
        // IEEE doubles order as integers once negative ones have all bits flipped and positive
        // ones the sign bit.
        uint64_t bits = LittleEndian(data);
        bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
        AppendBigEndian(key, bits, 8);
        break;
    }
    case CEVT_LPWSTR:
        AppendTextKey(key, data, sortFlags);
        break;
    default:
        key += data;
        break;
    }
    return key;
}

int CompareSortKeys(const std::string &a, const std::string &b, DWORD sortFlags)
{
    const bool aMissing = a.empty() || a[0] == kMissing;
    const bool bMissing = b.empty() || b[0] == kMissing;
    if (aMissing || bMissing)
        return aMissing == bMissing ? 0 : (aMissing ? -1 : 1);
    const int order = a.compare(b);
    const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
    return (sortFlags & CEDB_SORT_DESCENDING) ? -sign : sign;
}
