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

namespace {

// The intact entry that begins at offset, framed with its CRC checked and decoded.
bool IntactEntryAt(const char *bytes, size_t size, size_t offset, StoreScanEntry &entry)
{
    StoreLogReader reader(bytes + offset, size - offset);
    StoreLogRecord record;
    if (!reader.Next(record))
        return false;
    entry.offset = offset;
    entry.size = record.size;
    return DecodeStorePayload(record.payload, record.payloadSize, entry.entry, false);
}

// The first offset after from where an intact entry begins, or size.
size_t NextIntactEntry(const char *bytes, size_t size, size_t from)
{
    StoreScanEntry entry;
    for (size_t offset = from; offset + kStoreEntryHeaderSize <= size; ++offset)
        if (IntactEntryAt(bytes, size, offset, entry))
            return offset;
    return size;
}

}  // namespace

StoreReadResult ReadStoreLog(const char *bytes, size_t size, const StoreReadOptions &options,
                             const StoreEntrySink &apply)
{
    StoreReadResult result;
    StoreLogReader reader(bytes, size, options.checkCrc);
    result.status = reader.ReadHeader();
    result.validLength = reader.ValidLength();
    if (result.status != StoreScanStatus::Valid)
        return result;
    bool pastDamage = false;
    size_t entryNumber = 1;
    StoreLogRecord record;
    StoreScanEntry entry;
    for (;;) {
        const size_t offset = reader.ValidLength();
        bool contradiction = false;
        if (reader.Next(record)) {
            entry.offset = record.offset;
            entry.size = record.size;
            const bool decoded = !options.decode || DecodeStorePayload(record.payload, record.payloadSize,
                                                                        entry.entry, options.unpackProperties);
            const bool counted = !options.decode || (pastDamage && options.pastDamage == PastDamage::Count);
            if (decoded && (counted || apply(entry))) {
                if (pastDamage) {
                    ++result.entriesAfterDamage;
                } else {
                    ++result.entries;
                    result.validLength = reader.ValidLength();
                }
                ++entryNumber;
                continue;
            }
            contradiction = decoded;
            if (contradiction && pastDamage) {
                // Past damage a contradiction is expected (its database or record was lost).
                result.leftOut.emplace_back(offset, entryNumber++);
                continue;
            }
        } else if (!reader.Damaged() && (!pastDamage || offset >= size)) {
            break;  // the end, or a torn last entry
        }
        if (options.pastDamage == PastDamage::Stop) {
            result.status = StoreScanStatus::Damaged;
            result.damage.push_back(DamagedStretch{offset, offset, entryNumber, contradiction});
            return result;
        }
        const size_t next = NextIntactEntry(bytes, size, offset + 1);
        if (!pastDamage || options.pastDamage == PastDamage::Apply)
            result.damage.push_back(DamagedStretch{offset, next, entryNumber++, contradiction});
        pastDamage = true;
        reader.ResumeAt(next);
    }
    return result;
}

StoreScanResult ScanStoreLog(const char *bytes, size_t size)
{
    StoreScanResult scan;
    StoreReadOptions options;
    options.unpackProperties = true;
    const StoreReadResult read = ReadStoreLog(bytes, size, options, [&](StoreScanEntry &entry) {
        scan.entries.push_back(entry);
        return true;
    });
    scan.status = read.status;
    scan.validLength = read.status == StoreScanStatus::Valid ? read.validLength : 0;
    return scan;
}
