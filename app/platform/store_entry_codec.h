// The payloads of the object store file's entries: one change each, its first byte the kind.
// Plain C++, no Win32, so it builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kStoreMaxNameLength = 31;  // characters of a database name
constexpr size_t kStoreMaxSortOrders = 4;
// A write-record payload before its properties: kind, database, record, property count.
constexpr size_t kWriteRecordHeaderSize = 1 + 4 + 4 + 4;
// A property before its bytes: identifier and length.
constexpr size_t kPropertyHeaderSize = 4 + 4;

enum class StoreEntryKind : uint8_t {
    CreateDatabase = 1,
    WriteRecord = 2,    // the record's complete property set after the write
    DeleteRecord = 3,
    DeleteDatabase = 4,
    ReserveIds = 5,     // identifiers below this value were handed out already
};

// One property: its identifier and its value bytes. Numbers are little-endian of their natural
// width (2, 4 or 8 bytes), text is UTF-16LE code units without terminator, a blob is its bytes.
struct StoredProperty {
    uint32_t propid = 0;
    std::string data;
};

struct StoredSortOrder {
    uint32_t propid = 0;
    uint32_t flags = 0;
};

// A decoded entry; only the fields of its kind are meaningful.
struct StoreEntry {
    StoreEntryKind kind = StoreEntryKind::ReserveIds;
    uint32_t database = 0;
    uint32_t record = 0;
    uint32_t nextId = 0;
    uint32_t databaseType = 0;
    std::u16string name;
    std::vector<StoredSortOrder> sortOrders;
    std::vector<StoredProperty> properties;
};

// The property of that identifier, or null.
const StoredProperty *FindStoredProperty(const std::vector<StoredProperty> &properties, uint32_t propid);

// True when data has the size the property's type demands and the type is known.
bool IsValidPropertyData(uint32_t propid, const std::string &data);
bool IsKnownPropertyType(uint16_t type);

std::string EncodeCreateDatabasePayload(uint32_t database, uint32_t databaseType, const std::u16string &name,
                                        const std::vector<StoredSortOrder> &sortOrders);
std::string EncodeWriteRecordPayload(uint32_t database, uint32_t record, const std::vector<StoredProperty> &properties);
std::string EncodeDeleteRecordPayload(uint32_t database, uint32_t record);
std::string EncodeDeleteDatabasePayload(uint32_t database);
std::string EncodeReserveIdsPayload(uint32_t nextId);

// False when the payload is malformed: unknown kind, short or overlong, impossible values.
bool DecodeStorePayload(const char *payload, size_t size, StoreEntry &entry);

// Whether the file would take a database of this name, type and sort orders: a name of 1 to
// 31 characters without a nul, known property types, known flags, no sort property twice.
// The file's own rules decide, so nothing is written that a later read would refuse.
bool IsStorableDatabase(const std::u16string &name, uint32_t databaseType,
                        const std::vector<StoredSortOrder> &sortOrders);
