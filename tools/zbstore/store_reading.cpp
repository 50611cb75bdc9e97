#include "store_reading.h"
#include "objectstore/log_format.h"
#include "objectstore/replay.h"
#include "file_access.h"
#include "store_contents.h"
#include "store/object_database.h"

namespace {

// Which records a damaged stretch spoke of: framings whose payload still decodes although its
// checksum no longer matches.
std::vector<std::pair<CEOID, std::u16string>> TouchedRecords(const std::string &bytes, size_t begin, size_t end)
{
    std::vector<std::pair<CEOID, std::u16string>> touched;
    for (size_t offset = begin; offset + kStoreEntryHeaderSize <= end; ++offset) {
        // Framing only: the checksum of such an entry no longer matches.
        StoreLogReader framing(bytes.data() + offset, end - offset, false);
        StoreLogRecord record;
        StoreEntry entry;
        if (!framing.Next(record) || !DecodeStorePayload(record.payload, record.payloadSize, entry))
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
    StoreReadOptions options;
    options.pastDamage = salvage ? PastDamage::Apply : PastDamage::Count;
    const StoreReadResult read = ReadStoreLog(bytes.data(), bytes.size(), options,
                                              [&](StoreScanEntry &entry) { return ReplayEntry(reading.model, entry); });
    reading.header = read.status;
    if (read.status != StoreScanStatus::Valid)
        return reading;
    reading.intactEntries = read.entries;
    reading.validLength = read.validLength;
    reading.entriesAfterDamage = read.entriesAfterDamage;
    // The program's own verdict: a torn end (cut short, or zeros where the file grew) is what a
    // crash leaves and is cut off at the next start; anything else is damage.
    if (read.damage.empty())
        reading.tornTail = bytes.size() - read.validLength;
    for (const DamagedStretch &stretch : read.damage) {
        DamagedRange range;
        range.begin = stretch.begin;
        range.end = stretch.end;
        range.entryNumber = stretch.entryNumber;
        range.reason = stretch.contradiction ? "Eintrag widerspricht den vorigen"
                                             : "kein lesbarer Eintrag (Rahmen oder Prüfsumme falsch)";
        range.touched = TouchedRecords(bytes, stretch.begin, stretch.end);
        reading.damage.push_back(range);
    }
    // Past damage a contradiction is expected (its database or record was lost): left out.
    for (const auto &left : read.leftOut)
        reading.contradictions.push_back(Offset(left.first) + ": Eintrag " + std::to_string(left.second) +
                                         " passt nicht zu den geretteten");
    FinishReplay(reading.model, 0);
    return reading;
}

bool ReplaySoundStoreFile(const std::wstring &path, StoreModel &model)
{
    std::string bytes;
    return ReadStoreBytes(path, bytes) &&
           ReadStoreLog(bytes.data(), bytes.size(), StoreReadOptions(), [&](StoreScanEntry &entry) {
               return ReplayEntry(model, entry);
           }).status == StoreScanStatus::Valid;
}
