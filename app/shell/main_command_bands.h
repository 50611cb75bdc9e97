// The main window's band strip: the menu bar, the button bar and the category filter drop-down
// side by side, then the help and close adornments. Built in two steps because the window fills
// the filter between them.
#pragma once
#include <windows.h>

struct MainCommandBands {
    HWND bands = nullptr;
    HWND menuBar = nullptr;
    HMENU menu = nullptr;  // the menu inside menuBar
    HWND buttonBar = nullptr;
    HWND filterBar = nullptr;
    HWND filterCombo = nullptr;
};

// The strip in `window` with its three bands, the menu, the eight buttons and the empty filter.
MainCommandBands CreateMainCommandBands(HINSTANCE instance, HWND window);
// The adornments of the strip `bands` and the tooltips of its `buttonBar`.
void AddMainBandsAdornments(HINSTANCE instance, HWND bands, HWND buttonBar);
