#include "objectstore/log_reader.h"
#include <string>
#include "objectstore/little_endian.h"
#include "objectstore/log_format.h"

namespace {

bool IsZeroFilled(const char *bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

uint32_t FramingField(const char *entry, size_t offset)
{
    return static_cast<uint32_t>(GetLittleEndian(entry + offset, 4));
}

}  // namespace

StoreScanStatus StoreLogReader::ReadHeader()
{
    const std::string header = EncodeStoreHeader();
    // A crash while the file was being made leaves a beginning of the header, perhaps followed by
    // zeros where the file grew but nothing reached the disk; so does a failed first write.
    size_t headerBytes = 0;
    while (headerBytes < size_ && headerBytes < kStoreHeaderSize && bytes_[headerBytes] == header[headerBytes])
        ++headerBytes;
    if (headerBytes < kStoreHeaderSize) {
        damaged_ = !IsZeroFilled(bytes_ + headerBytes, size_ - headerBytes);
        return damaged_ ? StoreScanStatus::Damaged : StoreScanStatus::Empty;
    }
    pos_ = kStoreHeaderSize;
    return StoreScanStatus::Valid;
}

bool StoreLogReader::Next(StoreLogRecord &record)
{
    if (damaged_ || pos_ >= size_)
        return false;
    const size_t remaining = size_ - pos_;
    const char *at = bytes_ + pos_;
    if (remaining < kStoreEntryHeaderSize)
        return false;  // torn framing
    const uint32_t length = FramingField(at, kEntryLengthOffset);
    if (FramingField(at, kEntryComplementOffset) != ~length) {
        // Zeros: the file grew but the entry never reached the disk.
        damaged_ = !IsZeroFilled(at, remaining);
        return false;
    }
    if (length > remaining - kStoreEntryHeaderSize)
        return false;  // torn payload
    const char *payload = at + kStoreEntryHeaderSize;
    const size_t entrySize = kStoreEntryHeaderSize + length;
    if (checkCrc_ && StoreCrc32(payload, length) != FramingField(at, kEntryCrcOffset)) {
        // Only the last entry, written in part, may be wrong.
        damaged_ = !IsZeroFilled(payload + length, remaining - entrySize);
        return false;
    }
    record.offset = pos_;
    record.size = entrySize;
    record.payload = payload;
    record.payloadSize = length;
    pos_ += entrySize;
    return true;
}

StoreScanResult ScanStoreLog(const char *bytes, size_t size)
{
    StoreScanResult result;
    StoreLogReader reader(bytes, size);
    result.status = reader.ReadHeader();
    if (result.status != StoreScanStatus::Valid)
        return result;
    StoreLogRecord record;
    while (reader.Next(record)) {
        StoreScanEntry scanned;
        scanned.offset = record.offset;
        scanned.size = record.size;
        if (!DecodeStorePayload(record.payload, record.payloadSize, scanned.entry)) {
            result.status = StoreScanStatus::Damaged;
            return result;
        }
        result.entries.push_back(std::move(scanned));
    }
    if (reader.Damaged()) {
        result.status = StoreScanStatus::Damaged;
        return result;
    }
    result.validLength = reader.ValidLength();
    return result;
}
