// The object store in memory: databases, their records and each database's sort indexes, as
// replaying the file builds them and every acknowledged change keeps them. No windows.h: the
// model builds natively for fuzzing, with the keys of the collation it is linked with.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>
#include "objectstore/store_types.h"
#include "objectstore/entry_codec.h"

// Identifiers are 32 bits; nextId beyond this means they are used up.
constexpr uint64_t kLastIdentifier = 0xFFFFFFFFull;

struct Record {
    CEOID id = 0;
    CEOID database = 0;
    PackedProperties properties;
    // One per sort order of its database; made when a write or a value seek first compares
    // the record, empty until then (an open keeps none).
    mutable std::vector<std::string> keys;
    uint64_t entryBytes = 0;       // the log entry that holds its current state
};

// Records in one order: [0] is creation order (by identifier), then one per sort order. Each
// live record of the database stands in every index exactly once, in the index's order.
struct SortIndex {
    CEPROPID propid = 0;
    uint32_t flags = 0;
    std::vector<Record *> order;
};

struct Database {
    CEOID id = 0;
    uint32_t type = 0;
    std::wstring name;
    std::vector<SORTORDERSPEC> sortOrders;
    std::vector<SortIndex> indexes;
    std::wstring locale;  // whose collation every sort key of its records comes from
    uint64_t entryBytes = 0;   // its create entry
    uint64_t recordBytes = 0;  // the entries of its records' current states
    uint64_t modified = 0;  // in 100-ns ticks since 1601, as a FILETIME
    uint32_t replayedRecords = 0;  // while the file is read, before the indexes exist
    uint32_t RecordCount() const { return static_cast<uint32_t>(indexes[0].order.size()); }
    // The index sorted by propid (0: creation order); false when no sort order has it.
    bool IndexOf(CEPROPID propid, size_t &index) const;
};

struct StoreModel {
    // The collation of every sort key, which the store captures at open: the user may change
    // the locale while a store is open, and keys of two collations in one index put it out of
    // order. Empty: the user's locale as it is (a model that is read once, as zbstore's).
    std::wstring locale;
    std::map<CEOID, Database> databases;
    std::unordered_map<CEOID, Record> records;
    uint64_t nextId = 1;
    uint64_t liveBytes = 0;  // header and the entries that replay still needs

    Database *FindDatabase(CEOID id);
    const Database *FindDatabase(CEOID id) const;
    Database *FindDatabaseByName(const std::wstring &name);
    Record *FindRecord(CEOID id);
    const Record *FindRecord(CEOID id) const;
    // The record when it belongs to database, else null.
    Record *FindRecordIn(const Database &database, CEOID id);
    // Header and the entries of every database and its records, as counted in the file.
    uint64_t CountLiveBytes() const;
};

// Sets up a database's empty indexes from its sort orders, for keys in the locale's collation.
void InitIndexes(Database &database, const std::wstring &locale);
// The record's sort keys for its database's sort orders.
void ComputeKeys(const Database &database, const Record &record);
// The record's key for sort order keyIndex of its database, made first if need be.
const std::string &SortKeyOf(const Database &database, const Record &record, size_t keyIndex);
// Insert and remove find the record's place by binary search. An index found out of order (a
// search that misses the record, or neighbours in the wrong order) is sorted anew, so no index
// ever keeps a record that is gone or loses one that is there.
void InsertIntoIndexes(Database &database, Record *record);
void RemoveFromIndexes(Database &database, Record *record);
// The record's position in one index of its database; a scan finds it when the search misses.
size_t PositionOf(const Database &database, size_t index, const Record *record);
// After the whole file is replayed: fills every database's creation order (index 0) ...
void BuildCreationOrders(StoreModel &model, uint64_t modified);
// ... and then its sorted indexes from the records' keys.
void BuildSortedIndexes(StoreModel &model);
