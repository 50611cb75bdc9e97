// Finding an entry of a combo box by its text. The box's own search ignores letter case.
#pragma once
#include <windows.h>

// The entry equal to `text` in its letter case; failing that, unless `sameCase`, the first entry
// equal without regard to case; else CB_ERR.
int FindComboEntry(HWND combo, const WCHAR *text, bool sameCase);
