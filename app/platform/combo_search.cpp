#include "platform/combo_search.h"
#include <cwchar>

namespace {
constexpr int ENTRY_CAPACITY = 256;

bool EntryEquals(HWND combo, int index, const WCHAR *text)
{
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length >= ENTRY_CAPACITY)
        return false;
    WCHAR entry[ENTRY_CAPACITY] = L"";
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
    return wcscmp(entry, text) == 0;
}
}  // namespace

int FindComboEntry(HWND combo, const WCHAR *text, bool sameCase)
{
    const int first = static_cast<int>(
        SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
    if (first == CB_ERR)
        return CB_ERR;
    int found = first;
    do {
        if (EntryEquals(combo, found, text))
            return found;
        found = static_cast<int>(SendMessageW(combo, CB_FINDSTRINGEXACT, found, reinterpret_cast<LPARAM>(text)));
    } while (found != CB_ERR && found != first);
    return sameCase ? CB_ERR : first;
}
