#include "store/category_filter.h"
#include <cwchar>

const WCHAR ALL_CATEGORIES[] = L" - Alle -";
const WCHAR NO_CATEGORY[] = L" - Ohne -";
WCHAR categoryFilter[FIELD_CAPACITY] = L"";

bool IsReservedFilterText(const WCHAR *text)
{
    return wcscmp(text, ALL_CATEGORIES) == 0 || wcscmp(text, NO_CATEGORY) == 0;
}

void CopyField(WCHAR *destination, const WCHAR *source)
{
    int i = 0;
    if (source) {
        for (; i < FIELD_CAPACITY - 1 && source[i] != L'\0'; ++i)
            destination[i] = source[i];
    }
    destination[i] = L'\0';
}
