// The modal dialog that enters a new object or changes the current one.
#pragma once
#include <windows.h>

// `mode` is IDM_NEW_OBJECT (an empty editor for a new object) or IDM_MODIFY (the shown object).
void OpenObjectEditor(HWND owner, int mode);
INT_PTR CALLBACK ObjectEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
