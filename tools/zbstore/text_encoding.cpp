#include "text_encoding.h"

namespace {

// 0x80 to 0x9F of Windows-1252; 0 where the code page defines no character.
const char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendCodePoint(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string &text, char32_t c)
{
    if (c < 0x10000) {
        text += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (c >> 10));
        text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

}  // namespace

void AppendUtf8(std::string &out, const std::u16string &text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendCodePoint(out, c);
    }
}

std::string ToUtf8(const std::u16string &text)
{
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

bool DecodeUtf8(const char *bytes, size_t size, std::u16string &text, size_t &badOffset)
{
    text.clear();
    text.reserve(size);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes);
    for (size_t i = 0; i < size;) {
        const unsigned char lead = b[i];
        if (lead < 0x80) {
            text += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t c = 0, minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        } else {
            badOffset = i;
            return false;
        }
        if (size - i < static_cast<size_t>(length)) {
            badOffset = i;
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) {
                badOffset = i;
                return false;
            }
            c = (c << 6) | (b[i + k] & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            badOffset = i;
            return false;
        }
        AppendUtf16(text, c);
        i += length;
    }
    return true;
}

bool DecodeWindows1252(const char *bytes, size_t size, std::u16string &text, size_t &badOffset)
{
    text.clear();
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x80 && byte <= 0x9F) {
            if (kWindows1252High[byte - 0x80] == 0) {
                badOffset = i;
                return false;
            }
            text += kWindows1252High[byte - 0x80];
        } else {
            text += static_cast<char16_t>(byte);
        }
    }
    return true;
}
