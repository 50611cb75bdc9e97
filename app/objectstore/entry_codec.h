// The payloads of the object store file's entries: one change each, its first byte the kind.
// Plain C++, no Win32, so it builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr size_t kStoreMaxNameLength = 31;  // characters of a database name
constexpr size_t kStoreMaxSortOrders = 4;
// A write-record payload before its properties: kind, database, record, property count.
constexpr size_t kWriteRecordHeaderSize = 1 + 4 + 4 + 4;
// Where a write-record payload's property block (PackedProperties) begins: at its count.
constexpr size_t kPackedPropertiesOffset = kWriteRecordHeaderSize - 4;
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

// A property seen where it lies, in a record's packed block or in a StoredProperty.
struct PropertyRef {
    uint32_t propid = 0;
    const char *data = nullptr;
    size_t size = 0;
};

inline PropertyRef RefOf(const StoredProperty &property)
{
    return PropertyRef{property.propid, property.data.data(), property.data.size()};
}

// A record's properties in one block, as its write entry stores them: u32 count, then per
// property u32 identifier, u32 length and the bytes. The block either lies in the mapped store
// file (borrowed) or belongs to this object. A block is read only once the decoder checked it.
class PackedProperties {
public:
    PackedProperties() = default;
    // A copy of an owned block owns a copy of the bytes; a borrowed one borrows them too.
    PackedProperties(const PackedProperties &other) { *this = other; }
    PackedProperties &operator=(const PackedProperties &other);
    PackedProperties(PackedProperties &&) = default;
    PackedProperties &operator=(PackedProperties &&) = default;
    static PackedProperties Borrowed(const char *bytes, size_t size);
    static PackedProperties Owned(const char *bytes, size_t size);

    const char *data() const { return bytes_; }
    size_t size() const { return size_; }
    bool IsBorrowed() const { return bytes_ && !owned_; }
    // Points a borrowed block at the same bytes in another place (the file mapped anew).
    void MoveTo(const char *bytes) { bytes_ = bytes; }

    size_t Count() const;
    // Each property in stored order.
    template <typename Visit>
    void ForEach(Visit visit) const
    {
        size_t at = 4;
        for (size_t i = Count(); i > 0; --i) {
            const PropertyRef property = At(at);
            visit(property);
        }
    }
    bool Find(uint32_t propid, PropertyRef &found) const;
    std::vector<StoredProperty> Unpack() const;

private:
    PropertyRef At(size_t &offset) const;

    const char *bytes_ = nullptr;
    size_t size_ = 0;
    std::unique_ptr<char[]> owned_;
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
    std::vector<StoredProperty> properties;  // only when decoded with unpackProperties
    PackedProperties packed;                 // a write's properties inside the payload
};

// The property of that identifier, or null.
const StoredProperty *FindStoredProperty(const std::vector<StoredProperty> &properties, uint32_t propid);

// True when data has the size the property's type demands and the type is known.
bool IsValidPropertyData(uint32_t propid, const char *data, size_t size);
inline bool IsValidPropertyData(uint32_t propid, const std::string &data)
{
    return IsValidPropertyData(propid, data.data(), data.size());
}
bool IsKnownPropertyType(uint16_t type);

std::string EncodeCreateDatabasePayload(uint32_t database, uint32_t databaseType, const std::u16string &name,
                                        const std::vector<StoredSortOrder> &sortOrders);
std::string EncodeWriteRecordPayload(uint32_t database, uint32_t record, const std::vector<StoredProperty> &properties);
std::string EncodePackedWritePayload(uint32_t database, uint32_t record, const PackedProperties &properties);
std::string EncodeDeleteRecordPayload(uint32_t database, uint32_t record);
std::string EncodeDeleteDatabasePayload(uint32_t database);
std::string EncodeReserveIdsPayload(uint32_t nextId);

// False when the payload is malformed: unknown kind, short or overlong, impossible values. A
// write's properties are always given packed (pointing into the payload), and also one by one
// when unpackProperties is set.
bool DecodeStorePayload(const char *payload, size_t size, StoreEntry &entry, bool unpackProperties = true);

// Whether the file would take a database of this name, type and sort orders: a name of 1 to
// 31 characters without a nul, known property types, known flags, no sort property twice.
// The file's own rules decide, so nothing is written that a later read would refuse.
bool IsStorableDatabase(const std::u16string &name, uint32_t databaseType,
                        const std::vector<StoredSortOrder> &sortOrders);
