// The menu bar inside a command bar. The bar hands every message to MenuBarMessage first; the
// menu bar keeps its own state and knows nothing of the bands around it.
#pragma once
#include <windows.h>

// Adds one text button per popup of `menu` to the toolbar `bar` at index `button`; from then
// on the menu bar owns the menu and destroys it with the bar. False when nothing was added.
bool AttachMenuBar(HWND bar, HMENU menu, int button);
// The menu of the menu bar `bar`; null when `bar` is no menu bar.
HMENU MenuBarMenu(HWND bar);
// The one entry for messages: the bar's own, a WM_COMMAND its parent received from it and the
// WM_SYSCOMMAND of the window it sits in. True when the menu bar took the message; *result is
// then the answer.
bool MenuBarMessage(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result);
