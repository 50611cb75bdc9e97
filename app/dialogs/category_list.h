// The modal dialog in which the user adds and deletes category names.
#pragma once
#include <windows.h>

INT_PTR ShowCategoryList(HINSTANCE instance, HWND owner);
INT_PTR CALLBACK CategoryListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
