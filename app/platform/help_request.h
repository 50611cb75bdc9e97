// Asking a window for help as the device's help buttons do.
#pragma once
#include <windows.h>

// Sends `window` WM_HELP at once, with a HELPINFO that names the window and the cursor position.
void SendHelpRequest(HWND window);
