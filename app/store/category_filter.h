// The current category filter: which objects the main list shows.
#pragma once
#include <windows.h>

constexpr int kFieldCapacity = 256;  // every text field: 255 characters and the terminator

extern const WCHAR kAllCategories[];     // " - Alle -"
extern const WCHAR kNoCategory[];        // " - Ohne -"
extern WCHAR categoryFilter[kFieldCapacity];

bool IsReservedFilterText(const WCHAR *text);
// Copies at most kFieldCapacity - 1 characters of source and always terminates.
void CopyField(WCHAR *destination, const WCHAR *source);
