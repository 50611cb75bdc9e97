#include "shell/clipboard_format.h"
#include <cwchar>
#include <initializer_list>

namespace {
constexpr int kFieldLimit = 255;

bool IsSeparator(wchar_t c)
{
    return c == L'\t' || c == L'\r' || c == L'\n';
}
}  // namespace

const wchar_t *ParseClipboardField(wchar_t *destination, const wchar_t *text, const wchar_t *end)
{
    int copied = 0;
    while (text < end && *text != L'\0' && !IsSeparator(*text) && copied < kFieldLimit)
        destination[copied++] = *text++;
    destination[copied] = L'\0';

    // One separator is at most one TAB, one CR and one LF, in any order.
    bool tab = false, cr = false, lf = false;
    while (text < end) {
        bool *seen = *text == L'\t' ? &tab : *text == L'\r' ? &cr : *text == L'\n' ? &lf : nullptr;
        if (!seen || *seen)
            break;
        *seen = true;
        ++text;
    }
    return text;
}

size_t ClipboardTextLength(const wchar_t *name, const wchar_t *serialNumber, const wchar_t *remark,
                           const wchar_t *category)
{
    return wcslen(name) + wcslen(serialNumber) + wcslen(remark) + wcslen(category) + 12;
}

void BuildClipboardText(wchar_t *text, const wchar_t *name, const wchar_t *serialNumber, const wchar_t *remark,
                        const wchar_t *category)
{
    for (const wchar_t *field : {name, serialNumber, remark, category}) {
        const size_t length = wcslen(field);
        wmemcpy(text, field, length);
        text += length;
        *text++ = L'\r';
        *text++ = L'\n';
    }
    *text = L'\0';
}
