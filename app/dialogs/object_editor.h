// The modal dialog that enters a new object or changes the current one.
#pragma once
#include <windows.h>

// EditorMode: IDM_NEW_OBJECT or IDM_MODIFY.
void OpenObjectEditor(HWND owner, int mode);
INT_PTR CALLBACK ObjectEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
