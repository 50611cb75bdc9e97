// Modal dialogs from templates, with the device's caption OK and help buttons.
#pragma once
#include <windows.h>

// Extended styles a dialog procedure sets on itself at initialisation to ask for caption buttons.
constexpr DWORD WS_EX_CAPTIONOKBTN = 0x80000000;  // OK button: sends WM_COMMAND IDOK
// WS_EX_CONTEXTHELP (0x400): help button, sends WM_HELP at once (no context-help mode).

// Finds dialog template `templateId` (resource type 5) in `instance`, loads it and runs it
// modally. The procedure sees every message as it would on the device. Returns -1 when the
// template cannot be found or loaded.
INT_PTR RunDeviceDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM parameter);
