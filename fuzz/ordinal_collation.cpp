// The collation of the native fuzz build, which has no locale tables: text keys in the order of
// the UTF-16 code units, letter case folded for ASCII when asked. It keeps what the model relies
// on from any collation: keys compare with memcmp as their texts order, equal texts give equal
// keys.
#include "objectstore/collation.h"

namespace {

unsigned FoldAscii(unsigned unit) { return unit >= 'a' && unit <= 'z' ? unit - 'a' + 'A' : unit; }

}  // namespace

void AppendTextSortKey(std::string &key, const char *utf16, size_t units, bool ignoreCase, const std::wstring &)
{
    for (size_t i = 0; i < units; ++i) {
        unsigned unit = static_cast<unsigned char>(utf16[2 * i]) | (static_cast<unsigned char>(utf16[2 * i + 1]) << 8);
        if (ignoreCase)
            unit = FoldAscii(unit);
        // Big-endian units order as the texts do.
        key.push_back(static_cast<char>(unit >> 8));
        key.push_back(static_cast<char>(unit & 0xFF));
    }
}

std::wstring UserLocaleName() { return L"ordinal"; }

bool SameNameIgnoringCase(const std::wstring &a, const std::wstring &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(static_cast<unsigned>(a[i])) != FoldAscii(static_cast<unsigned>(b[i])))
            return false;
    return true;
}
