// Objects on the clipboard as Unicode text, one field per line.
#pragma once
#include <windows.h>

// Puts the shown object on the clipboard; returns false (after its message) when that failed.
bool CopyObject(HWND owner);
// Stores the clipboard object as a new object; false when nothing was stored.
bool PasteObject();
bool ReadClipboardObject(WCHAR *name, WCHAR *serialNumber, WCHAR *remark, WCHAR *category);
void RefreshPasteState();
