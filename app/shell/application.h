// Start-up, message loop and shutdown of Zifferbox, and the application-wide handles.
#pragma once
#include <windows.h>

extern HINSTANCE appInstance;
extern HWND mainWindow;
extern HFONT titleFont;  // Tahoma, height 14 at 96 DPI, bold
extern HFONT textFont;   // Tahoma, height 13 at 96 DPI, regular

int ApplicationMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showState);
ATOM RegisterMainWindowClass(HINSTANCE instance);
bool InitialiseApplication(HINSTANCE instance, int showState);
bool QueryWorkArea(UINT updateFlags, RECT *area);

// The last text block handed to the clipboard; kept until exit.
extern HLOCAL lastClipboardBlock;
