#include "platform/store_format.h"

namespace {

const char kMagic[8] = {'Z', 'B', 'S', 'T', 'O', 'R', 'E', '\x1A'};

struct CrcTable {
    uint32_t entries[8][256];
    CrcTable()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int t = 1; t < 8; ++t)
                entries[t][i] = (entries[t - 1][i] >> 8) ^ entries[0][entries[t - 1][i] & 0xFF];
    }
};

const CrcTable crcTable;

void PutU8(std::string &out, uint8_t value) { out.push_back(static_cast<char>(value)); }

void PutU32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const char *p)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// Reads fields from a payload; every read checks the remaining size, so a short payload only
// turns ok off.
class Reader {
public:
    Reader(const char *data, size_t size) : data_(data), size_(size) {}
    uint8_t U8()
    {
        if (!Need(1))
            return 0;
        return static_cast<uint8_t>(data_[pos_++]);
    }
    uint32_t U32()
    {
        if (!Need(4))
            return 0;
        uint32_t value = GetU32(data_ + pos_);
        pos_ += 4;
        return value;
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

void PutText(std::string &out, const std::u16string &text)
{
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

std::u16string TextFromBytes(const std::string &bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
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

bool IsValidSortOrders(const std::vector<StoredSortOrder> &orders)
{
    if (orders.size() > kStoreMaxSortOrders)
        return false;
    for (size_t i = 0; i < orders.size(); ++i) {
        if (orders[i].propid == 0 || !IsKnownPropertyType(orders[i].propid & 0xFFFF) || (orders[i].flags & ~0x7u))
            return false;
        for (size_t j = 0; j < i; ++j)
            if (orders[j].propid == orders[i].propid)
                return false;
    }
    return true;
}

bool IsZeroFilled(const char *bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

}  // namespace

uint32_t StoreCrc32(const void *data, size_t size, uint32_t crc)
{
    const unsigned char *p = static_cast<const unsigned char *>(data);
    const auto &t = crcTable.entries;
    crc = ~crc;
    while (size >= 8) {
        uint32_t low = crc ^ (p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool IsKnownPropertyType(uint16_t type)
{
    switch (type) {
    case StoreType::I2: case StoreType::UI2: case StoreType::I4: case StoreType::UI4:
    case StoreType::Bool: case StoreType::R8: case StoreType::FileTime: case StoreType::Text:
    case StoreType::Blob:
        return true;
    }
    return false;
}

bool IsValidPropertyData(uint32_t propid, const std::string &data)
{
    switch (propid & 0xFFFF) {
    case StoreType::I2: case StoreType::UI2:
        return data.size() == 2;
    case StoreType::I4: case StoreType::UI4: case StoreType::Bool:
        return data.size() == 4;
    case StoreType::R8: case StoreType::FileTime:
        return data.size() == 8;
    case StoreType::Text:
        if (data.size() % 2 != 0)
            return false;
        for (size_t i = 0; i < data.size(); i += 2)
            if (data[i] == 0 && data[i + 1] == 0)
                return false;  // a stored text never holds its terminator
        return true;
    case StoreType::Blob:
        return true;
    }
    return false;
}

std::string EncodeStoreHeader()
{
    std::string header(kMagic, sizeof kMagic);
    PutU32(header, kStoreVersion);
    PutU32(header, StoreCrc32(header.data(), header.size()));
    return header;
}

std::string EncodeStoreEntry(const std::string &payload)
{
    std::string entry;
    entry.reserve(kStoreEntryHeaderSize + payload.size());
    const uint32_t length = static_cast<uint32_t>(payload.size());
    PutU32(entry, length);
    PutU32(entry, ~length);
    PutU32(entry, StoreCrc32(payload.data(), payload.size()));
    entry += payload;
    return entry;
}

std::string EncodeCreateDatabasePayload(uint32_t database, uint32_t databaseType, const std::u16string &name,
                                        const std::vector<StoredSortOrder> &sortOrders)
{
    std::string out;
    PutU8(out, static_cast<uint8_t>(StoreEntryKind::CreateDatabase));
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
    size_t size = 13;
    for (const StoredProperty &property : properties)
        size += 8 + property.data.size();
    std::string out;
    out.reserve(size);
    PutU8(out, static_cast<uint8_t>(StoreEntryKind::WriteRecord));
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

std::string EncodeDeleteRecordPayload(uint32_t database, uint32_t record)
{
    std::string out;
    PutU8(out, static_cast<uint8_t>(StoreEntryKind::DeleteRecord));
    PutU32(out, database);
    PutU32(out, record);
    return out;
}

std::string EncodeDeleteDatabasePayload(uint32_t database)
{
    std::string out;
    PutU8(out, static_cast<uint8_t>(StoreEntryKind::DeleteDatabase));
    PutU32(out, database);
    return out;
}

std::string EncodeReserveIdsPayload(uint32_t nextId)
{
    std::string out;
    PutU8(out, static_cast<uint8_t>(StoreEntryKind::ReserveIds));
    PutU32(out, nextId);
    return out;
}

bool DecodeStorePayload(const char *payload, size_t size, StoreEntry &entry)
{
    Reader in(payload, size);
    entry = StoreEntry();
    entry.kind = static_cast<StoreEntryKind>(in.U8());
    switch (entry.kind) {
    case StoreEntryKind::CreateDatabase: {
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
    case StoreEntryKind::WriteRecord: {
        entry.database = in.U32();
        entry.record = in.U32();
        const uint32_t count = in.U32();
        // Each property takes at least 8 bytes: a count beyond that is damage, not a reason to
        // reserve memory.
        if (!in.ok() || count > 0xFFFF || count > (size - 13) / 8)
            return false;
        entry.properties.resize(count);
        for (StoredProperty &property : entry.properties) {
            property.propid = in.U32();
            const uint32_t length = in.U32();
            property.data = in.Bytes(length);
            if (!in.ok() || !IsValidPropertyData(property.propid, property.data))
                return false;
        }
        return in.AtEnd() && entry.database != 0 && entry.record != 0 && entry.record != entry.database;
    }
    case StoreEntryKind::DeleteRecord:
        entry.database = in.U32();
        entry.record = in.U32();
        return in.AtEnd() && entry.database != 0 && entry.record != 0;
    case StoreEntryKind::DeleteDatabase:
        entry.database = in.U32();
        return in.AtEnd() && entry.database != 0;
    case StoreEntryKind::ReserveIds:
        entry.nextId = in.U32();
        return in.AtEnd() && entry.nextId != 0;
    }
    return false;
}

StoreScanResult ScanStoreLog(const char *bytes, size_t size)
{
    StoreScanResult result;
    const std::string header = EncodeStoreHeader();
    // A crash while the file was being made leaves a beginning of the header, perhaps followed by
    // zeros where the file grew but nothing reached the disk; so does a failed first write.
    size_t headerBytes = 0;
    while (headerBytes < size && headerBytes < kStoreHeaderSize && bytes[headerBytes] == header[headerBytes])
        ++headerBytes;
    if (headerBytes < kStoreHeaderSize) {
        const bool torn = IsZeroFilled(bytes + headerBytes, size - headerBytes);
        result.status = torn ? StoreScanStatus::Empty : StoreScanStatus::Damaged;
        return result;
    }
    size_t pos = kStoreHeaderSize;
    while (pos < size) {
        const size_t remaining = size - pos;
        const char *at = bytes + pos;
        if (remaining < kStoreEntryHeaderSize)
            break;  // torn framing
        const uint32_t length = GetU32(at);
        if (GetU32(at + 4) != ~length) {
            if (IsZeroFilled(at, remaining))
                break;  // the file grew but the entry never reached the disk
            result.status = StoreScanStatus::Damaged;
            return result;
        }
        if (length > remaining - kStoreEntryHeaderSize)
            break;  // torn payload
        const char *payload = at + kStoreEntryHeaderSize;
        const size_t entrySize = kStoreEntryHeaderSize + length;
        if (StoreCrc32(payload, length) != GetU32(at + 8)) {
            if (IsZeroFilled(payload + length, remaining - entrySize))
                break;  // the last entry, written only in part
            result.status = StoreScanStatus::Damaged;
            return result;
        }
        StoreScanEntry scanned;
        scanned.offset = pos;
        scanned.size = entrySize;
        if (!DecodeStorePayload(payload, length, scanned.entry)) {
            result.status = StoreScanStatus::Damaged;
            return result;
        }
        result.entries.push_back(std::move(scanned));
        pos += entrySize;
    }
    result.status = StoreScanStatus::Valid;
    result.validLength = pos;
    return result;
}
