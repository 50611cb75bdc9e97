// What the sort keys and the database names take from the system's collation: text keys in a
// locale's order and names equal regardless of case. The program links the system's
// (collation.cpp); the native fuzz build links an ordinal stand-in, so the model and the replay
// build without windows.h.
#pragma once
#include <cstddef>
#include <string>

// Appends the sort key of a text (UTF-16LE code units as the file keeps them) in the collation
// of locale (a locale name such as "de-DE"; empty: the user's locale as it is now). Keys compare
// with memcmp in the order the locale sorts the texts.
void AppendTextSortKey(std::string &key, const char *utf16, size_t units, bool ignoreCase, const std::wstring &locale);
// The name of the user's locale as it is now.
std::wstring UserLocaleName();
// Whether two database names are the same, regardless of letter case.
bool SameNameIgnoringCase(const std::wstring &a, const std::wstring &b);
