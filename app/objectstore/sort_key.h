// Sort keys of the object store's sort orders. A key is a byte string whose plain byte order
// (memcmp, then length) is the ascending order of the values it stands for, so sorting 65,535
// records needs no call into the locale per comparison. Text keys come from the collation
// (collation.h): LCMapStringEx's sort keys, which order exactly as CompareStringEx in the locale
// named, the comparison that sorted list and combo boxes use in the user's locale. A store makes all its keys for the locale it
// captured at open: keys of two collations side by side would put an index out of order.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include "objectstore/entry_codec.h"

// The key of a property value (nullptr: the record lacks the property) for a sort order with
// the given type and flags (CEDB_SORT_CASEINSENSITIVE matters for text), in the collation of
// locale (a locale name such as "de-DE").
std::string MakeSortKey(const PropertyRef *property, uint32_t sortFlags, const std::wstring &locale);
void AppendSortKey(std::string &keys, const PropertyRef *property, uint32_t sortFlags, const std::wstring &locale);
// True for the key of a record lacking the property: such keys sort before every value.
bool IsMissingKey(std::string_view key);
// <0, 0 or >0 in the order of a sort order: records lacking the property first, then the values,
// descending when the flags say so.
int CompareSortKeys(std::string_view a, std::string_view b, uint32_t sortFlags);
