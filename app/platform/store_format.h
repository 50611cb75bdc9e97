// The bytes of the object store file, and nothing else: no file access and no Win32 calls, so
// this file also builds natively for fuzzing.
//
// File = header, then entries. Header: 8 magic bytes, u32 version, u32 CRC-32 of the 12 bytes
// before it. Entry: u32 payload length, u32 the length's complement, u32 CRC-32 of the payload,
// then the payload, whose first byte is the entry kind. All numbers little-endian.
//
// Others may call: StoreCrc32, EncodeStoreHeader, EncodeStoreEntry, Encode*Payload,
// DecodeStorePayload, ScanStoreLog, IsValidPropertyData.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kStoreHeaderSize = 16;
constexpr size_t kStoreEntryHeaderSize = 12;
constexpr uint32_t kStoreVersion = 1;
constexpr size_t kStoreMaxNameLength = 31;  // characters of a database name
constexpr size_t kStoreMaxSortOrders = 4;

enum class StoreEntryKind : uint8_t {
    CreateDatabase = 1,
    WriteRecord = 2,    // the record's complete property set after the write
    DeleteRecord = 3,
    DeleteDatabase = 4,
    ReserveIds = 5,     // identifiers below this value were handed out already
};

// Property type codes as the calling code uses them (low word of a property identifier).
namespace StoreType {
constexpr uint16_t I2 = 2, I4 = 3, R8 = 5, Bool = 11, UI2 = 18, UI4 = 19, Text = 31, FileTime = 64, Blob = 65;
}

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

uint32_t StoreCrc32(const void *data, size_t size, uint32_t crc = 0);

// True when data has the size the property's type demands and the type is known.
bool IsValidPropertyData(uint32_t propid, const std::string &data);
bool IsKnownPropertyType(uint16_t type);

std::string EncodeStoreHeader();
// Frames a payload as one entry (length, check, CRC, payload).
std::string EncodeStoreEntry(const std::string &payload);

std::string EncodeCreateDatabasePayload(uint32_t database, uint32_t databaseType, const std::u16string &name,
                                        const std::vector<StoredSortOrder> &sortOrders);
std::string EncodeWriteRecordPayload(uint32_t database, uint32_t record, const std::vector<StoredProperty> &properties);
std::string EncodeDeleteRecordPayload(uint32_t database, uint32_t record);
std::string EncodeDeleteDatabasePayload(uint32_t database);
std::string EncodeReserveIdsPayload(uint32_t nextId);

// False when the payload is malformed: unknown kind, short or overlong, impossible values.
bool DecodeStorePayload(const char *payload, size_t size, StoreEntry &entry);

// The result of reading a whole file.
enum class StoreScanStatus {
    Empty,          // no bytes, or only a torn beginning of a header and zeros: a new file
    Valid,          // header and entries read; validLength may be less than the file (torn tail)
    Damaged,        // bad header or damage a crash cannot explain
};

struct StoreScanEntry {
    size_t offset = 0;  // of the entry's first byte
    size_t size = 0;    // whole entry, framing included
    StoreEntry entry;
};

struct StoreScanResult {
    StoreScanStatus status = StoreScanStatus::Damaged;
    size_t validLength = 0;  // bytes up to the end of the last whole entry
    std::vector<StoreScanEntry> entries;
};

// Reads a file's bytes. A torn last entry (cut short, or a bad CRC that ends at the end of the
// file, or a zero-filled tail) ends the valid part; any other fault makes the file Damaged.
StoreScanResult ScanStoreLog(const char *bytes, size_t size);
