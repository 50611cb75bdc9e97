#include "store/category_filter.h"
#include <cwchar>

const WCHAR kAllCategories[] = L" - Alle -";
const WCHAR kNoCategory[] = L" - Ohne -";
WCHAR categoryFilter[kFieldCapacity] = L"";

bool IsReservedFilterText(const WCHAR *text)
{
    return wcscmp(text, kAllCategories) == 0 || wcscmp(text, kNoCategory) == 0;
}

void CopyField(WCHAR *destination, const WCHAR *source)
{
    int i = 0;
    if (source) {
        for (; i < kFieldCapacity - 1 && source[i] != L'\0'; ++i)
            destination[i] = source[i];
    }
    destination[i] = L'\0';
}
