// Changing a store: one entry appended and flushed per change, memory changed only after it is
// on disk, and the file rewritten with only its live state once dead entries outweigh live ones.
#include "objectstore/store.h"
#include <algorithm>
#include "objectstore/little_endian.h"
#include "objectstore/log_format.h"

namespace {

// Below this size the file is never compacted: rewriting it would save next to nothing.
constexpr ULONGLONG kCompactionThreshold = 64 * 1024;

std::u16string ToU16(const std::wstring &text) { return std::u16string(text.begin(), text.end()); }

uint64_t Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeTicks(now);
}

std::vector<StoredSortOrder> ToStoredSortOrders(const std::vector<SORTORDERSPEC> &sortOrders)
{
    std::vector<StoredSortOrder> orders;
    for (const SORTORDERSPEC &order : sortOrders)
        orders.push_back(StoredSortOrder{order.propid, order.dwFlags});
    return orders;
}

}  // namespace

bool Store::Writable()
{
    if (failed_ || !file_.IsOpen()) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    if (withoutRoom_) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    if (changedOutside_ || !file_.IsUnchanged()) {
        changedOutside_ = true;
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    return true;
}

// Writes one entry durably. The caller changes memory only when this returns true.
bool Store::AppendEntry(const std::string &payload, ULONGLONG &entryBytes)
{
    const std::string entry = EncodeStoreEntry(payload);
    const AppendResult result = file_.Append(entry);
    if (result != AppendResult::Done)
        FollowMappedBytes();  // cutting the entry off moved the mapped file
    if (result == AppendResult::FailedDirty)
        failed_ = true;
    if (result != AppendResult::Done)
        return false;
    entryBytes = entry.size();
    return true;
}

CEOID Store::CreateDatabase(const std::wstring &name, DWORD type, const std::vector<SORTORDERSPEC> &sortOrders)
{
    if (!Writable())
        return 0;
    if (FindDatabaseByName(name)) {
        SetLastError(ERROR_DUP_NAME);
        return 0;
    }
    if (model_.nextId > kLastIdentifier) {
        SetLastError(ERROR_DISK_FULL);
        return 0;
    }
    const CEOID id = static_cast<CEOID>(model_.nextId);
    ULONGLONG entryBytes = 0;
    if (!AppendEntry(EncodeCreateDatabasePayload(id, type, ToU16(name), ToStoredSortOrders(sortOrders)), entryBytes))
        return 0;
    Database &database = model_.databases[id];
    database.id = id;
    database.type = type;
    database.name = name;
    database.sortOrders = sortOrders;
    database.entryBytes = entryBytes;
    database.modified = Now();
    InitIndexes(database, model_.locale);
    model_.nextId = uint64_t(id) + 1;
    model_.liveBytes += entryBytes;
    return id;
}

bool Store::DeleteDatabase(CEOID id)
{
    Database *database = FindDatabase(id);
    if (!database) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ULONGLONG entryBytes = 0;
    if (!Writable() || !AppendEntry(EncodeDeleteDatabasePayload(id), entryBytes))
        return false;
    model_.liveBytes -= database->entryBytes + database->recordBytes;
    for (Record *record : database->indexes[0].order)
        model_.records.erase(record->id);
    model_.databases.erase(id);
    CompactIfWorthwhile();
    return true;
}

CEOID Store::WriteRecord(Database &database, CEOID recordId, const std::vector<StoredProperty> &properties)
{
    Record *record = nullptr;
    if (recordId != 0) {
        record = FindRecordIn(database, recordId);
        if (!record) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else if (!HasRoomForRecord(database)) {
        return 0;
    }
    if (!Writable())
        return 0;
    const CEOID id = record ? record->id : static_cast<CEOID>(model_.nextId);
    ULONGLONG entryBytes = 0;
    const std::string payload = EncodeWriteRecordPayload(database.id, id, properties);
    if (!AppendEntry(payload, entryBytes))
        return 0;
    if (record) {
        RemoveFromIndexes(database, record);
        database.recordBytes -= record->entryBytes;
        model_.liveBytes -= record->entryBytes;
    } else {
        record = &model_.records[id];
        record->id = id;
        record->database = database.id;
        model_.nextId = uint64_t(id) + 1;
    }
    record->properties = PackedProperties::Owned(payload.data() + kPackedPropertiesOffset, payload.size() - kPackedPropertiesOffset);
    record->entryBytes = entryBytes;
    ComputeKeys(database, *record);
    InsertIntoIndexes(database, record);
    database.recordBytes += entryBytes;
    database.modified = Now();
    model_.liveBytes += entryBytes;
    CompactIfWorthwhile();
    return id;
}

bool Store::DeleteRecord(Database &database, CEOID recordId)
{
    Record *record = FindRecordIn(database, recordId);
    if (!record) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ULONGLONG entryBytes = 0;
    if (!Writable() || !AppendEntry(EncodeDeleteRecordPayload(database.id, recordId), entryBytes))
        return false;
    RemoveFromIndexes(database, record);
    database.recordBytes -= record->entryBytes;
    database.modified = Now();
    model_.liveBytes -= record->entryBytes;
    model_.records.erase(recordId);
    CompactIfWorthwhile();
    return true;
}

// The file as compaction writes it: reserved identifiers, every database, every record; with
// the size of each database's entry and where each record's entry begins, for the live byte
// counts and the records' bytes once the rewrite is in place.
std::string EncodeStoreImage(StoreModel &model, std::vector<std::pair<Record *, size_t>> *recordOffsets,
                             std::vector<std::pair<Database *, ULONGLONG>> *databaseSizes)
{
    std::string image = EncodeStoreHeader();
    image.reserve(static_cast<size_t>(model.liveBytes) + 64);
    AppendStoreEntry(image, EncodeReserveIdsPayload(static_cast<uint32_t>(std::min(model.nextId, kLastIdentifier))));
    for (auto &entry : model.databases) {
        Database &database = entry.second;
        const size_t start = image.size();
        AppendStoreEntry(image, EncodeCreateDatabasePayload(database.id, database.type, ToU16(database.name),
                                                            ToStoredSortOrders(database.sortOrders)));
        if (databaseSizes)
            databaseSizes->emplace_back(&database, image.size() - start);
    }
    for (auto &entry : model.databases) {
        for (Record *record : entry.second.indexes[0].order) {
            if (recordOffsets)
                recordOffsets->emplace_back(record, image.size());
            AppendStoreEntry(image, EncodePackedWritePayload(record->database, record->id, record->properties));
        }
    }
    return image;
}

namespace {

// Points every record at its properties inside bytes, a file image whose record entries begin
// at the given offsets; what the records held themselves is let go.
void PointRecordsInto(const char *bytes, const std::vector<std::pair<Record *, size_t>> &recordOffsets)
{
    for (const auto &place : recordOffsets) {
        const char *entry = bytes + place.second;
        const size_t payloadSize = static_cast<size_t>(GetLittleEndian(entry + kEntryLengthOffset, 4));
        place.first->properties = PackedProperties::Borrowed(entry + kStoreEntryHeaderSize + kPackedPropertiesOffset,
                                                             payloadSize - kPackedPropertiesOffset);
    }
}

}  // namespace

// Rewrites the file with only its live state once the dead entries outweigh the live ones.
// "<path>.new" is written and flushed first, then renamed over the file: a crash leaves either
// file whole. A failed compaction leaves the old file in use.
void Store::CompactIfWorthwhile()
{
    const ULONGLONG size = file_.Size();
    if (failed_ || size < kCompactionThreshold || size - model_.liveBytes <= model_.liveBytes)
        return;
    std::vector<std::pair<Record *, size_t>> recordOffsets;
    std::vector<std::pair<Database *, ULONGLONG>> databaseSizes;
    std::string image = EncodeStoreImage(model_, &recordOffsets, &databaseSizes);
    const std::wstring newPath = path_ + L".new";
    if (!WriteStoreFileCopy(ops_, newPath, image)) {
        DeleteFileW(newPath.c_str());
        return;
    }
    // The rename would put the live state over whatever another program left at the path.
    if (!file_.IsUnchanged(true)) {
        DeleteFileW(newPath.c_str());
        changedOutside_ = true;
        return;
    }
    // The records move into the image before the old file's view goes (a mapped file can't be
    // replaced), and into the new file's view once it is in place. A string's moved buffer
    // stays where it is.
    PointRecordsInto(image.data(), recordOffsets);
    image_ = std::move(image);
    file_.Close();
    mappedBytes_ = nullptr;
    mappedSize_ = 0;
    const bool replaced = ReplaceStoreFile(ops_, newPath, path_);
    if (!replaced)
        DeleteFileW(newPath.c_str());
    if (!file_.Open(path_) || (replaced && file_.Size() != image_.size())) {
        file_.Close();
        failed_ = true;
        return;
    }
    if (!replaced)
        return;
    for (auto &entry : databaseSizes)
        entry.first->entryBytes = entry.second;
    for (auto &entry : model_.databases)
        entry.second.recordBytes = 0;
    for (auto &entry : recordOffsets) {
        const ULONGLONG entryBytes = kStoreEntryHeaderSize + GetLittleEndian(image_.data() + entry.second, 4);
        entry.first->entryBytes = entryBytes;
        model_.databases[entry.first->database].recordBytes += entryBytes;
    }
    model_.liveBytes = model_.CountLiveBytes();
    if (MapFile()) {
        PointRecordsInto(mappedBytes_, recordOffsets);
        image_ = std::string();
    }
}
