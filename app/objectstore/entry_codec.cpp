#include "objectstore/entry_codec.h"
#include <algorithm>
#include "objectstore/little_endian.h"
#include "objectstore/store_types.h"

namespace {

// Reads fields from a payload; every read checks the remaining size, so a short payload only
// turns ok off.
class FieldReader {
public:
    FieldReader(const char *data, size_t size) : data_(data), size_(size) {}
    uint8_t U8() { return Need(1) ? static_cast<uint8_t>(data_[pos_++]) : 0; }
    uint32_t U32()
    {
        if (!Need(4))
            return 0;
        const uint32_t value = static_cast<uint32_t>(GetLittleEndian(data_ + pos_, 4));
        pos_ += 4;
        return value;
    }
    // Steps over count bytes; where they start, or null.
    const char *Skip(size_t count)
    {
        if (!Need(count))
            return nullptr;
        pos_ += count;
        return data_ + pos_ - count;
    }
    std::string Bytes(size_t count)
    {
        if (!Need(count))
            return std::string();
        std::string value(data_ + pos_, count);
        pos_ += count;
        return value;
    }
    bool ok() const { return ok_; }
    bool AtEnd() const { return ok_ && pos_ == size_; }

private:
    bool Need(size_t count)
    {
        if (!ok_ || size_ - pos_ < count)
            ok_ = false;
        return ok_;
    }
    const char *data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

void PutKind(std::string &out, StoreEntryKind kind) { out.push_back(static_cast<char>(kind)); }
void PutU8(std::string &out, uint8_t value) { out.push_back(static_cast<char>(value)); }
void PutU32(std::string &out, uint32_t value) { PutLittleEndian(out, value, 4); }

void PutText(std::string &out, const std::u16string &text)
{
    for (char16_t c : text)
        PutLittleEndian(out, c, 2);
}

std::u16string TextFromBytes(const std::string &bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(GetLittleEndian(bytes.data() + 2 * i, 2));
    return text;
}

bool IsValidName(const std::u16string &name)
{
    if (name.empty() || name.size() > kStoreMaxNameLength)
        return false;
    for (char16_t c : name)
        if (c == 0)
            return false;
    return true;
}

constexpr uint32_t kKnownSortFlags = 0x7;

bool IsValidSortOrders(const std::vector<StoredSortOrder> &orders)
{
    if (orders.size() > kStoreMaxSortOrders)
        return false;
    for (size_t i = 0; i < orders.size(); ++i) {
        if (orders[i].propid == 0 || !IsKnownPropertyType(TypeFromPropID(orders[i].propid)) ||
            (orders[i].flags & ~kKnownSortFlags))
            return false;
        for (size_t j = 0; j < i; ++j)
            if (orders[j].propid == orders[i].propid)
                return false;
    }
    return true;
}

bool DecodeCreateDatabase(FieldReader &in, StoreEntry &entry)
{
    entry.database = in.U32();
    entry.databaseType = in.U32();
    const uint8_t nameLength = in.U8();
    entry.name = TextFromBytes(in.Bytes(2 * size_t(nameLength)));
    const uint8_t orderCount = in.U8();
    if (!in.ok() || orderCount > kStoreMaxSortOrders)
        return false;
    for (uint8_t i = 0; i < orderCount; ++i) {
        StoredSortOrder order;
        order.propid = in.U32();
        order.flags = in.U32();
        entry.sortOrders.push_back(order);
    }
    return in.AtEnd() && entry.database != 0 && entry.name.size() == nameLength && IsValidName(entry.name) &&
           IsValidSortOrders(entry.sortOrders);
}

bool DecodeWriteRecord(FieldReader &in, const char *payload, size_t size, StoreEntry &entry, bool unpack)
{
    entry.database = in.U32();
    entry.record = in.U32();
    const uint32_t count = in.U32();
    // Each property takes at least its header: a count beyond that is damage, not a reason to
    // reserve memory.
    if (!in.ok() || count > 0xFFFF || count > (size - kWriteRecordHeaderSize) / kPropertyHeaderSize)
        return false;
    if (unpack)
        entry.properties.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t propid = in.U32();
        const uint32_t length = in.U32();
        const char *data = in.Skip(length);
        if (!data || !IsValidPropertyData(propid, data, length))
            return false;
        if (unpack) {
            entry.properties[i].propid = propid;
            entry.properties[i].data.assign(data, length);
        }
    }
    entry.packed = PackedProperties::Borrowed(payload + kPackedPropertiesOffset, size - kPackedPropertiesOffset);
    return in.AtEnd() && entry.database != 0 && entry.record != 0 && entry.record != entry.database;
}

bool DecodeDeleteRecord(FieldReader &in, StoreEntry &entry)
{
    entry.database = in.U32();
    entry.record = in.U32();
    return in.AtEnd() && entry.database != 0 && entry.record != 0;
}

bool DecodeDeleteDatabase(FieldReader &in, StoreEntry &entry)
{
    entry.database = in.U32();
    return in.AtEnd() && entry.database != 0;
}

bool DecodeReserveIds(FieldReader &in, StoreEntry &entry)
{
    entry.nextId = in.U32();
    return in.AtEnd() && entry.nextId != 0;
}

}  // namespace

const StoredProperty *FindStoredProperty(const std::vector<StoredProperty> &properties, uint32_t propid)
{
    for (const StoredProperty &property : properties)
        if (property.propid == propid)
            return &property;
    return nullptr;
}

bool IsKnownPropertyType(uint16_t type)
{
    switch (type) {
    case CEVT_I2: case CEVT_UI2: case CEVT_I4: case CEVT_UI4: case CEVT_BOOL: case CEVT_R8: case CEVT_FILETIME:
    case CEVT_LPWSTR: case CEVT_BLOB:
        return true;
    }
    return false;
}

bool IsValidPropertyData(uint32_t propid, const char *data, size_t size)
{
    switch (TypeFromPropID(propid)) {
    case CEVT_I2: case CEVT_UI2:
        return size == 2;
    case CEVT_I4: case CEVT_UI4: case CEVT_BOOL:
        return size == 4;
    case CEVT_R8: case CEVT_FILETIME:
        return size == 8;
    case CEVT_LPWSTR:
        if (size % 2 != 0)
            return false;
        for (size_t i = 0; i < size; i += 2)
            if (data[i] == 0 && data[i + 1] == 0)
                return false;  // a stored text never holds its terminator
        return true;
    case CEVT_BLOB:
        return true;
    }
    return false;
}

std::string EncodeCreateDatabasePayload(uint32_t database, uint32_t databaseType, const std::u16string &name,
                                        const std::vector<StoredSortOrder> &sortOrders)
{
    std::string out;
    PutKind(out, StoreEntryKind::CreateDatabase);
    PutU32(out, database);
    PutU32(out, databaseType);
    PutU8(out, static_cast<uint8_t>(name.size()));
    PutText(out, name);
    PutU8(out, static_cast<uint8_t>(sortOrders.size()));
    for (const StoredSortOrder &order : sortOrders) {
        PutU32(out, order.propid);
        PutU32(out, order.flags);
    }
    return out;
}

std::string EncodeWriteRecordPayload(uint32_t database, uint32_t record, const std::vector<StoredProperty> &properties)
{
    size_t size = kWriteRecordHeaderSize;
    for (const StoredProperty &property : properties)
        size += kPropertyHeaderSize + property.data.size();
    std::string out;
    out.reserve(size);
    PutKind(out, StoreEntryKind::WriteRecord);
    PutU32(out, database);
    PutU32(out, record);
    PutU32(out, static_cast<uint32_t>(properties.size()));
    for (const StoredProperty &property : properties) {
        PutU32(out, property.propid);
        PutU32(out, static_cast<uint32_t>(property.data.size()));
        out += property.data;
    }
    return out;
}

std::string EncodePackedWritePayload(uint32_t database, uint32_t record, const PackedProperties &properties)
{
    std::string out;
    out.reserve(kPackedPropertiesOffset + properties.size());
    PutKind(out, StoreEntryKind::WriteRecord);
    PutU32(out, database);
    PutU32(out, record);
    out.append(properties.data(), properties.size());
    return out;
}

PackedProperties PackedProperties::Borrowed(const char *bytes, size_t size)
{
    PackedProperties block;
    block.bytes_ = bytes;
    block.size_ = size;
    return block;
}

PackedProperties PackedProperties::Owned(const char *bytes, size_t size)
{
    PackedProperties block;
    block.owned_.reset(new char[size]);
    std::copy(bytes, bytes + size, block.owned_.get());
    block.bytes_ = block.owned_.get();
    block.size_ = size;
    return block;
}

PackedProperties &PackedProperties::operator=(const PackedProperties &other)
{
    if (this != &other)
        *this = other.IsBorrowed() ? Borrowed(other.bytes_, other.size_) : Owned(other.bytes_, other.size_);
    return *this;
}

size_t PackedProperties::Count() const { return size_ >= 4 ? GetLittleEndian(bytes_, 4) : 0; }

PropertyRef PackedProperties::At(size_t &offset) const
{
    PropertyRef property;
    property.propid = static_cast<uint32_t>(GetLittleEndian(bytes_ + offset, 4));
    property.size = static_cast<size_t>(GetLittleEndian(bytes_ + offset + 4, 4));
    property.data = bytes_ + offset + kPropertyHeaderSize;
    offset += kPropertyHeaderSize + property.size;
    return property;
}

bool PackedProperties::Find(uint32_t propid, PropertyRef &found) const
{
    size_t at = 4;
    for (size_t i = Count(); i > 0; --i) {
        const PropertyRef property = At(at);
        if (property.propid == propid) {
            found = property;
            return true;
        }
    }
    return false;
}

std::vector<StoredProperty> PackedProperties::Unpack() const
{
    std::vector<StoredProperty> properties;
    properties.reserve(Count());
    ForEach([&](const PropertyRef &property) {
        properties.push_back(StoredProperty{property.propid, std::string(property.data, property.size)});
    });
    return properties;
}

std::string EncodeDeleteRecordPayload(uint32_t database, uint32_t record)
{
    std::string out;
    PutKind(out, StoreEntryKind::DeleteRecord);
    PutU32(out, database);
    PutU32(out, record);
    return out;
}

std::string EncodeDeleteDatabasePayload(uint32_t database)
{
    std::string out;
    PutKind(out, StoreEntryKind::DeleteDatabase);
    PutU32(out, database);
    return out;
}

std::string EncodeReserveIdsPayload(uint32_t nextId)
{
    std::string out;
    PutKind(out, StoreEntryKind::ReserveIds);
    PutU32(out, nextId);
    return out;
}

bool DecodeStorePayload(const char *payload, size_t size, StoreEntry &entry, bool unpackProperties)
{
    FieldReader in(payload, size);
    entry = StoreEntry();
    entry.kind = static_cast<StoreEntryKind>(in.U8());
    switch (entry.kind) {
    case StoreEntryKind::CreateDatabase: return DecodeCreateDatabase(in, entry);
    case StoreEntryKind::WriteRecord: return DecodeWriteRecord(in, payload, size, entry, unpackProperties);
    case StoreEntryKind::DeleteRecord: return DecodeDeleteRecord(in, entry);
    case StoreEntryKind::DeleteDatabase: return DecodeDeleteDatabase(in, entry);
    case StoreEntryKind::ReserveIds: return DecodeReserveIds(in, entry);
    }
    return false;
}

bool IsStorableDatabase(const std::u16string &name, uint32_t databaseType,
                        const std::vector<StoredSortOrder> &sortOrders)
{
    // Any identifier but 0 decodes alike; the real one is chosen when the entry is written.
    const std::string payload = EncodeCreateDatabasePayload(1, databaseType, name, sortOrders);
    StoreEntry check;
    return DecodeStorePayload(payload.data(), payload.size(), check);
}
