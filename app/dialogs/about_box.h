// The About box: program name, version, notice and the number of stored objects.
#pragma once
#include <windows.h>

void ShowAboutBox(HWND owner);
INT_PTR CALLBACK AboutBoxDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
