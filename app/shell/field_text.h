// Reading a control's text into a field of kFieldCapacity characters.
#pragma once
#include <windows.h>

// The text of `control` (a label, an edit field, a combo box's selection), read with a capacity
// of 255 characters including the terminator, so at most 254 are taken; empty when it has none.
void GetFieldText(HWND control, WCHAR *text);
