// Property values between the caller's CEPROPVALs and the stored form. Pure: no file, no
// allocation the caller doesn't see, no Win32 call, so any input can be tried on it.
#pragma once
#include <windows.h>
#include <utility>
#include <vector>
#include "objectstore/object_store.h"
#include "objectstore/entry_codec.h"

// The stored form of a caller's value; false for an unknown type or a value without data.
bool ToStoredProperty(const CEPROPVAL &value, StoredProperty &property);

// Applies a write's values to a record's properties: each replaces the property of its
// identifier or is added, CEDB_PROPDELETE removes it. False (properties half changed) when a
// value can't be stored.
bool MergeProperties(std::vector<StoredProperty> &properties, const CEPROPVAL *values, WORD count);

// The values a read returns, in order: each identifier with its property, whose data is null
// when the record lacks it.
using PropertySelection = std::vector<std::pair<CEPROPID, PropertyRef>>;

// propids null: every property of the record in stored order; else the named ones in turn.
PropertySelection SelectProperties(const PackedProperties &properties, const CEPROPID *propids, WORD count);
// Bytes of a read's buffer: the CEPROPVAL array, then the text and blob data it points to.
unsigned long long ValueBufferSize(const PropertySelection &selection);
// Fills a buffer of at least ValueBufferSize bytes, aligned for CEPROPVAL.
void FillValueBuffer(const PropertySelection &selection, BYTE *buffer);
