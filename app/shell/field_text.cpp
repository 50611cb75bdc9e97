#include "shell/field_text.h"
#include "store/category_filter.h"

void GetFieldText(HWND control, WCHAR *text)
{
    text[0] = L'\0';
    GetWindowTextW(control, text, kFieldCapacity - 1);
}
