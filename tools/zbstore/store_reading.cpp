#include "store_reading.h"
#include <algorithm>
#include "objectstore/little_endian.h"
#include "objectstore/log_format.h"
#include "objectstore/replay.h"
#include "file_access.h"
#include "store_contents.h"
#include "store/object_database.h"

namespace {

// The intact entry that begins at offset, decoded; false when there is none.
bool EntryAt(const std::string &bytes, size_t offset, StoreScanEntry &entry)
{
    StoreLogReader reader(bytes.data() + offset, bytes.size() - offset);
    StoreLogRecord record;
    if (!reader.Next(record))
        return false;
    entry = StoreScanEntry();
    entry.offset = offset;
    entry.size = record.size;
    return DecodeStorePayload(record.payload, record.payloadSize, entry.entry);
}

// The next offset after from where an intact entry begins, or the file size.
size_t NextIntactEntry(const std::string &bytes, size_t from)
{
    StoreScanEntry entry;
    for (size_t offset = from; offset + kStoreEntryHeaderSize <= bytes.size(); ++offset)
        if (EntryAt(bytes, offset, entry))
            return offset;
    return bytes.size();
}

// Which records a damaged stretch spoke of: framings whose payload still decodes although its
// checksum no longer matches.
std::vector<std::pair<CEOID, std::u16string>> TouchedRecords(const std::string &bytes, size_t begin, size_t end)
{
    std::vector<std::pair<CEOID, std::u16string>> touched;
    for (size_t offset = begin; offset + kStoreEntryHeaderSize <= end; ++offset) {
        const uint32_t length = static_cast<uint32_t>(GetLittleEndian(bytes.data() + offset, 4));
        const uint32_t complement = static_cast<uint32_t>(GetLittleEndian(bytes.data() + offset + 4, 4));
        if (complement != ~length || length > end - offset - kStoreEntryHeaderSize)
            continue;
        StoreEntry entry;
        if (!DecodeStorePayload(bytes.data() + offset + kStoreEntryHeaderSize, length, entry))
            continue;
        if (entry.kind != StoreEntryKind::WriteRecord && entry.kind != StoreEntryKind::DeleteRecord)
            continue;
        const std::u16string name = PropertyText(entry.packed, PROP_NAME);
        touched.emplace_back(entry.record, name.empty() ? PropertyText(entry.packed, PROP_CATEGORY) : name);
    }
    return touched;
}

std::string Offset(size_t offset) { return "Byte " + std::to_string(offset); }

}  // namespace

bool ReadStoreBytes(const std::wstring &path, std::string &bytes) { return ReadSharedFile(path, bytes); }

StoreReading ReadStore(const std::string &bytes, bool salvage)
{
    StoreReading reading;
    reading.fileSize = bytes.size();
    StoreLogReader headerReader(bytes.data(), bytes.size());
    reading.header = headerReader.ReadHeader();
    if (reading.header != StoreScanStatus::Valid)
        return reading;

    size_t offset = kStoreHeaderSize;
    size_t entryNumber = 1;
    bool afterDamage = false;
    while (offset < bytes.size()) {
        StoreScanEntry entry;
        std::string reason;
        if (!EntryAt(bytes, offset, entry)) {
            // The program's own verdict: a torn end (cut short, or zeros where the file grew) is
            // what a crash leaves and is cut off at the next start; anything else is damage.
            StoreLogReader probe(bytes.data() + offset, bytes.size() - offset);
            StoreLogRecord record;
            if (!afterDamage && !probe.Next(record) && !probe.Damaged()) {
                reading.tornTail = bytes.size() - offset;
                break;
            }
            reason = "kein lesbarer Eintrag (Rahmen oder Prüfsumme falsch)";
        } else if (!ReplayEntry(reading.model, entry)) {
            reason = "Eintrag widerspricht den vorigen";
            if (afterDamage) {
                // Past damage a contradiction is expected (its database or record was lost): leave
                // it out and go on.
                reading.contradictions.push_back(Offset(offset) + ": Eintrag " + std::to_string(entryNumber) +
                                                 " passt nicht zu den geretteten");
                offset += entry.size;
                ++entryNumber;
                continue;
            }
        } else {
            if (afterDamage)
                ++reading.entriesAfterDamage;
            else
                ++reading.intactEntries, reading.validLength = offset + entry.size;
            offset += entry.size;
            ++entryNumber;
            continue;
        }
        DamagedRange range;
        range.begin = offset;
        range.entryNumber = entryNumber;
        range.reason = reason;
        const size_t next = NextIntactEntry(bytes, offset + 1);
        range.end = next;
        range.touched = TouchedRecords(bytes, offset, next);
        reading.damage.push_back(range);
        afterDamage = true;
        if (!salvage) {
            // Count what would follow, without replaying it.
            for (size_t at = next; at < bytes.size();) {
                StoreScanEntry following;
                if (!EntryAt(bytes, at, following)) {
                    at = NextIntactEntry(bytes, at + 1);
                    continue;
                }
                ++reading.entriesAfterDamage;
                at += following.size;
            }
            break;
        }
        offset = next;
        ++entryNumber;
    }
    if (reading.validLength == 0)
        reading.validLength = kStoreHeaderSize;
    FILETIME none = {};
    FinishReplay(reading.model, none);
    return reading;
}

bool IsSoundStoreFile(const std::wstring &path, std::string *bytes)
{
    std::string read;
    if (!ReadStoreBytes(path, read))
        return false;
    const StoreScanResult scan = ScanStoreLog(read.data(), read.size());
    if (bytes)
        *bytes = read;
    if (scan.status != StoreScanStatus::Valid)
        return false;
    StoreModel model;
    for (StoreScanEntry entry : scan.entries)
        if (!ReplayEntry(model, entry))
            return false;
    return true;
}
