// Inside the command bands: what the platform keeps for each command bar, shared by the bar
// code (command_bands.cpp) and the menu bar (menu_bar.cpp). Nothing outside app/platform uses it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A command bar is a desktop toolbar subclassed with this state as reference data.
struct CommandBarState {
    HMENU menu = nullptr;                // menu bar only: the loaded menu, destroyed with the bar
    int menuFirstButton = 0;             // toolbar index of the first popup button
    int menuButtonCount = 0;             // one button per popup
    std::vector<std::wstring> toolTips;  // texts of the non-separator buttons, in button order
};

// Popup buttons of a menu bar carry these ids; they never reach the main window.
constexpr int kMenuButtonFirstId = 0xE100;
// Private message to a menu bar: open popup wParam as if chosen by keyboard.
constexpr UINT kOpenMenuPopupMessage = WM_APP + 0x51;

// The state of a command bar made by CommandBands_AddBands; null for any other window.
CommandBarState *FindCommandBarState(HWND bar);
// Gives the band that holds `bar` the size the bar's buttons need, so nothing is clipped.
void FitBandToBar(HWND bar);

// menu_bar.cpp
// Adds one text button per popup of `menu` at toolbar index `button`; the bar owns the menu.
bool AttachMenuToBar(HWND bar, CommandBarState *state, HMENU menu, int button);
// A click on the menu bar: opens the popup under the point; false when no popup button was hit.
bool MenuBarMouseDown(HWND bar, const CommandBarState *state, LPARAM clientPoint);
// Opens popup `index` below its button; from the keyboard its first item is selected.
void OpenMenuBarPopup(HWND bar, int index, bool fromKeyboard);
// Alt+character or Alt/F10 alone (character 0) in the window: true when a popup was opened.
bool MenuBarKeyMenu(HWND bar, WCHAR character);
// The bar is going away: forget it and destroy its menu.
void DetachMenuFromBar(HWND bar, CommandBarState *state);
