// The current category filter: which objects the main list shows.
#pragma once
#include <windows.h>

constexpr int FIELD_CAPACITY = 256;  // every text field: 255 characters and the terminator

extern const WCHAR ALL_CATEGORIES[];     // " - Alle -"
extern const WCHAR NO_CATEGORY[];        // " - Ohne -"
extern WCHAR categoryFilter[FIELD_CAPACITY];

bool IsReservedFilterText(const WCHAR *text);
// Copies at most FIELD_CAPACITY - 1 characters of source and always terminates.
void CopyField(WCHAR *destination, const WCHAR *source);
