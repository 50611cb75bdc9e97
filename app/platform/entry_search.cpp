#include "platform/entry_search.h"
#include <cwchar>

namespace {
constexpr int kEntryCapacity = 256;
static_assert(CB_ERR == LB_ERR, "one answer for no entry");

// The messages of the one kind of box.
struct EntryMessages {
    UINT findExact;
    UINT textLength;
    UINT text;
};
constexpr EntryMessages kComboBox = {CB_FINDSTRINGEXACT, CB_GETLBTEXTLEN, CB_GETLBTEXT};
constexpr EntryMessages kListBox = {LB_FINDSTRINGEXACT, LB_GETTEXTLEN, LB_GETTEXT};

bool EntryEquals(HWND box, const EntryMessages &messages, int index, const WCHAR *text)
{
    const LRESULT length = SendMessageW(box, messages.textLength, index, 0);
    if (length == CB_ERR || length >= kEntryCapacity)
        return false;
    WCHAR entry[kEntryCapacity] = L"";
    SendMessageW(box, messages.text, index, reinterpret_cast<LPARAM>(entry));
    return wcscmp(entry, text) == 0;
}

int FindEntry(HWND box, const EntryMessages &messages, const WCHAR *text, bool sameCase)
{
    const int first = static_cast<int>(
        SendMessageW(box, messages.findExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
    if (first == CB_ERR)
        return CB_ERR;
    // The search wraps around: once it is back at the first hit, every candidate has been seen.
    int found = first;
    do {
        if (EntryEquals(box, messages, found, text))
            return found;
        found = static_cast<int>(SendMessageW(box, messages.findExact, found, reinterpret_cast<LPARAM>(text)));
    } while (found != CB_ERR && found != first);
    return sameCase ? CB_ERR : first;
}
}  // namespace

int FindComboEntry(HWND combo, const WCHAR *text, bool sameCase)
{
    return FindEntry(combo, kComboBox, text, sameCase);
}

int FindListEntry(HWND list, const WCHAR *text, bool sameCase)
{
    return FindEntry(list, kListBox, text, sameCase);
}
