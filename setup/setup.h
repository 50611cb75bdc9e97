// The desktop installer: asks, finds the Windows CE application manager, hands it Zifferbox.ini.
// Built with the A functions and Windows-1252 texts; UNICODE is not defined for this program.
#pragma once
#include <windows.h>

// The program entry; the command line is not read. Returns 0 on every path that returns.
int SetupMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showState);

// Window procedure of the status window class "SetupClass".
LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Ownerless stop boxes captioned "Installationsfehler".
void ShowServicesError();
void ShowMissingFilesError();
