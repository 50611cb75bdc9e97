#include "objectstore/replay.h"
#include <algorithm>
#include <iterator>
#include <thread>

namespace {

void NoteIdentifier(StoreModel &model, uint32_t id)
{
    model.nextId = std::max<uint64_t>(model.nextId, uint64_t(id) + 1);
}

bool ReplayCreateDatabase(StoreModel &model, const StoreEntry &entry, size_t entryBytes)
{
    const std::wstring name(entry.name.begin(), entry.name.end());
    if (model.databases.count(entry.database) || model.records.count(entry.database) ||
        model.FindDatabaseByName(name))
        return false;
    Database &database = model.databases[entry.database];
    database.id = entry.database;
    database.type = entry.databaseType;
    database.name = name;
    for (const StoredSortOrder &order : entry.sortOrders)
        database.sortOrders.push_back(SORTORDERSPEC{order.propid, order.flags});
    database.entryBytes = entryBytes;
    InitIndexes(database, model.locale);
    NoteIdentifier(model, entry.database);
    return true;
}

bool HasPropertyTwice(const PackedProperties &properties)
{
    // Sorted, so that a damaged entry with thousands of properties costs no quadratic time.
    uint32_t few[8];
    std::vector<uint32_t> many;
    uint32_t *propids = few;
    if (properties.Count() > 8) {
        many.resize(properties.Count());
        propids = many.data();
    }
    size_t count = 0;
    properties.ForEach([&](const PropertyRef &property) { propids[count++] = property.propid; });
    std::sort(propids, propids + count);
    return std::adjacent_find(propids, propids + count) != propids + count;
}

bool ReplayWriteRecord(StoreModel &model, StoreEntry &entry, size_t entryBytes, PropertyBytes bytes)
{
    Database *database = model.FindDatabase(entry.database);
    if (!database || model.databases.count(entry.record) || HasPropertyTwice(entry.packed))
        return false;
    Record *record = model.FindRecord(entry.record);
    if (record) {
        if (record->database != entry.database)
            return false;
        database->recordBytes -= record->entryBytes;
    } else {
        if (database->replayedRecords >= CEDB_MAXRECORDS)
            return false;
        record = &model.records[entry.record];
        record->id = entry.record;
        record->database = entry.database;
        ++database->replayedRecords;
    }
    record->properties = bytes == PropertyBytes::Borrow
                             ? entry.packed
                             : PackedProperties::Owned(entry.packed.data(), entry.packed.size());
    record->entryBytes = entryBytes;
    database->recordBytes += entryBytes;
    NoteIdentifier(model, entry.record);
    return true;
}

bool ReplayDeleteRecord(StoreModel &model, const StoreEntry &entry)
{
    Database *database = model.FindDatabase(entry.database);
    Record *record = model.FindRecord(entry.record);
    if (!database || !record || record->database != entry.database)
        return false;
    --database->replayedRecords;
    database->recordBytes -= record->entryBytes;
    model.records.erase(entry.record);
    return true;
}

bool ReplayDeleteDatabase(StoreModel &model, const StoreEntry &entry)
{
    if (!model.FindDatabase(entry.database))
        return false;
    for (auto record = model.records.begin(); record != model.records.end();)
        record = record->second.database == entry.database ? model.records.erase(record) : std::next(record);
    model.databases.erase(entry.database);
    return true;
}

bool ReplayReserveIds(StoreModel &model, const StoreEntry &entry)
{
    model.nextId = std::max<uint64_t>(model.nextId, entry.nextId);
    return true;
}

}  // namespace

bool ReplayEntry(StoreModel &model, StoreScanEntry &scanned, PropertyBytes bytes)
{
    StoreEntry &entry = scanned.entry;
    switch (entry.kind) {
    case StoreEntryKind::CreateDatabase: return ReplayCreateDatabase(model, entry, scanned.size);
    case StoreEntryKind::WriteRecord: return ReplayWriteRecord(model, entry, scanned.size, bytes);
    case StoreEntryKind::DeleteRecord: return ReplayDeleteRecord(model, entry);
    case StoreEntryKind::DeleteDatabase: return ReplayDeleteDatabase(model, entry);
    case StoreEntryKind::ReserveIds: return ReplayReserveIds(model, entry);
    }
    return false;
}

StoreReadResult ReplayStoreFile(const char *bytes, size_t size, StoreModel &model, bool checkApart)
{
    // Each entry is replayed as soon as it is read: the decoded entries never pile up in memory.
    model.records.reserve(std::min<size_t>(size / 128, 2 * CEDB_MAXRECORDS));
    const auto replay = [&](StoreScanEntry &entry) { return ReplayEntry(model, entry, PropertyBytes::Borrow); };
    StoreReadOptions options;
    options.checkCrc = !checkApart;
    if (!checkApart)
        return ReadStoreLog(bytes, size, options, replay);
    StoreReadResult checked;
    std::thread crcCheck([&] {
        StoreReadOptions framesOnly;
        framesOnly.decode = false;
        checked = ReadStoreLog(bytes, size, framesOnly, nullptr);
    });
    const StoreReadResult replayed = ReadStoreLog(bytes, size, options, replay);
    crcCheck.join();
    if (replayed.status == checked.status && replayed.validLength == checked.validLength)
        return replayed;
    const std::wstring locale = std::move(model.locale);
    model = StoreModel();
    model.locale = locale;
    options.checkCrc = true;
    return ReadStoreLog(bytes, size, options, replay);
}

void FinishReplay(StoreModel &model, uint64_t modified)
{
    BuildCreationOrders(model, modified);
    BuildSortedIndexes(model);
    model.liveBytes = model.CountLiveBytes();
}
