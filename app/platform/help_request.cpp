#include "platform/help_request.h"

void SendHelpRequest(HWND window)
{
    HELPINFO help{};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.hItemHandle = window;
    GetCursorPos(&help.MousePos);
    SendMessageW(window, WM_HELP, 0, (LPARAM)&help);
}
