// A main-like window for the platform tests: it builds the band strip exactly as the
// application's main window does and records what reaches it.
#pragma once
#include "shell/main_command_bands.h"
#include <windows.h>
#include <vector>

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct StripHost : MainCommandBands {
    HWND window = nullptr;
    HWND list = nullptr;  // a child list box that can take the focus
};

// Messages the host window received: WM_COMMAND, WM_HELP, WM_CLOSE, WM_INITMENUPOPUP.
extern std::vector<ReceivedMessage> hostMessages;
// Keys the host posts into a popup's menu loop when WM_INITMENUPOPUP arrives.
extern std::vector<WPARAM> keysForPopup;

StripHost CreateStripHost();
void DestroyStripHost(StripHost &host);
std::vector<ReceivedMessage> Received(UINT message);
