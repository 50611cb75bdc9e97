// The sorted indexes of a store kept beside it ("<store>.order") from one run to the next, so an
// open needn't make a sort key for every record. They hold for exactly one file content (its
// digest) and one collation (the locale's fingerprint); anything else, a torn or damaged cache
// included, is ignored and the indexes are sorted anew. The cache is never needed: deleting it
// only makes the next open slower.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "platform/store_model.h"

// Stores with fewer records sort in about a millisecond and keep no cache.
constexpr size_t kOrderCacheMinRecords = 1024;

std::wstring OrderCachePath(const std::wstring &storePath);
// The user locale's name and the sort keys it gives a few probe texts: a changed locale or
// collation gives another fingerprint.
uint64_t CollationFingerprint();

// Fills the sorted indexes (1 and up) of every database from the cache, after the creation
// orders are built. False, with the model's sorted indexes left empty, when the cache is
// missing or doesn't fit the store; found tells whether there was a file at all. A small store
// isn't looked for: on Wine a missing file costs a search of its folder.
bool LoadOrderCache(const std::wstring &storePath, uint64_t storeDigest, uint64_t collation, StoreModel &model,
                    bool &found);
// Writes the model's sorted indexes for the file of that digest; when the store is too small to
// need them, removes a cache that was found at the open. Failure costs the next open its speed,
// nothing else.
void SaveOrderCache(const std::wstring &storePath, uint64_t storeDigest, uint64_t collation, const StoreModel &model,
                    bool found);
