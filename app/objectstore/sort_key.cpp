#include "objectstore/sort_key.h"
#include <cstring>
#include "objectstore/little_endian.h"
#include "objectstore/collation.h"
#include "objectstore/store_types.h"

namespace {

const char kMissing = 0;
const char kPresent = 1;

void AppendBigEndian(std::string &key, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        key.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void AppendSortKey(std::string &key, const PropertyRef *property, uint32_t sortFlags, const std::wstring &locale)
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
        AppendTextSortKey(key, property->data, property->size / 2, (sortFlags & CEDB_SORT_CASEINSENSITIVE) != 0, locale);
        break;
    default:
        key.append(property->data, property->size);
        break;
    }
}

std::string MakeSortKey(const PropertyRef *property, uint32_t sortFlags, const std::wstring &locale)
{
    std::string key;
    AppendSortKey(key, property, sortFlags, locale);
    return key;
}

bool IsMissingKey(std::string_view key) { return key.empty() || key[0] == kMissing; }

int CompareSortKeys(std::string_view a, std::string_view b, uint32_t sortFlags)
{
    const bool aMissing = IsMissingKey(a);
    const bool bMissing = IsMissingKey(b);
    if (aMissing || bMissing)
        return aMissing == bMissing ? 0 : (aMissing ? -1 : 1);
    const int order = a.compare(b);
    const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
    return (sortFlags & CEDB_SORT_DESCENDING) ? -sign : sign;
}
