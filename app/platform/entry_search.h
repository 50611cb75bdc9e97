// Finding an entry of a list box or a combo box by its text. The boxes' own search ignores
// letter case.
#pragma once
#include <windows.h>

// The entry equal to `text` in its letter case; failing that, unless `sameCase`, the first entry
// equal without regard to case; else CB_ERR.
int FindComboEntry(HWND combo, const WCHAR *text, bool sameCase);
// As FindComboEntry, for a list box; LB_ERR when there is no such entry.
int FindListEntry(HWND list, const WCHAR *text, bool sameCase);
