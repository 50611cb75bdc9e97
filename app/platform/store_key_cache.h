// Text sort keys kept beside the store file ("<store>.keys") from one open to the next, so an
// open asks the locale only for the texts it has not seen: at a full store, making every key
// afresh costs more than reading the whole store. The file is a cache, never the record of
// anything: it is tagged with the locale and its sorting version and carries the text each key
// was made from, so a key is used only for exactly that text in exactly that locale; a file
// made elsewhere, damaged or stale is ignored, and the store file itself is never touched.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "platform/store_model.h"

class SortKeyCache {
public:
    // Reads the cache file at path; a missing, damaged or foreign file leaves the cache empty.
    void Load(const std::wstring &path);
    // The key that MakeSortKey makes for this record's property under the sort flags, from the
    // cache when it holds the same text, else made now (and counted as missed).
    std::string KeyFor(CEOID record, const StoredProperty *property, DWORD sortFlags);
    size_t Missed() const { return missed_; }
    // Writes the keys of every text sort order of model as a new cache file at path (through
    // "<path>.new" and a rename, so a reader sees the old file or the new one). Best effort.
    static void Save(const std::wstring &path, const StoreModel &model);

private:
    struct Slot {
        uint32_t record;
        uint32_t propid;
        uint32_t flags;
        size_t text;  // offsets into bytes_
        size_t textSize;
        size_t key;
        size_t keySize;
    };
    std::string bytes_;
    std::vector<Slot> slots_;  // in record order, as saved
    size_t missed_ = 0;
};

// Fills every record's keys, taking them from cache where it can (see BuildIndexes).
void ComputeKeysFrom(SortKeyCache &cache, const Database &database, Record &record);
