// What the user is told when the store refuses changes: shared by the main window, the editor,
// the clipboard paste and the category list, so each refusal reads the same.
#pragma once
#include <windows.h>

// The box for a change the store refused: the store's own reason when another program changed
// its file, else text.
void ShowRefusedChange(HWND owner, const WCHAR *text);
// For a change that has no box of its own when it fails (deletes): the box for a store changed
// outside, when it is; true when it was shown.
bool ShowIfChangedOutside(HWND owner);
// Once the databases are open: what the user must know about a store that opened read-only.
void ShowStoreConditionAtStart();
