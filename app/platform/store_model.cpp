#include "platform/store_model.h"
#include <algorithm>
#include <string_view>
#include "platform/sort_compare.h"
#include "platform/store_log_format.h"

namespace {

// The value stored under key in a map of this model, or null.
template <typename Map>
auto ValueOf(Map &map, CEOID key) -> decltype(&map.begin()->second)
{
    auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

bool SameName(const std::wstring &a, const std::wstring &b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Strict order of an index: the sort order's comparison, then the identifier, so records with
// equal keys stay in the order they were made.
struct IndexLess {
    const Database *database;
    size_t index;
    DWORD flags;
    bool operator()(const Record *a, const Record *b) const
    {
        if (index > 0) {
            const int order = CompareSortKeys(SortKeyOf(*database, *a, index - 1),
                                              SortKeyOf(*database, *b, index - 1), flags);
            if (order != 0)
                return order < 0;
        }
        return a->id < b->id;
    }
};

// Appends the record's key for one sort order of its database.
void AppendRecordKey(std::string &keys, const Record &record, const SORTORDERSPEC &sortOrder)
{
    PropertyRef property;
    const bool found = record.properties.Find(sortOrder.propid, property);
    AppendSortKey(keys, found ? &property : nullptr, sortOrder.dwFlags);
}

IndexLess LessFor(const Database &database, size_t index)
{
    return IndexLess{&database, index, database.indexes[index].flags};
}

}  // namespace

bool Database::IndexOf(CEPROPID propid, size_t &index) const
{
    index = 0;
    if (propid == 0)
        return true;
    while (index < sortOrders.size() && sortOrders[index].propid != propid)
        ++index;
    if (index == sortOrders.size())
        return false;
    ++index;
    return true;
}

Database *StoreModel::FindDatabase(CEOID id) { return ValueOf(databases, id); }
const Database *StoreModel::FindDatabase(CEOID id) const { return ValueOf(databases, id); }

Database *StoreModel::FindDatabaseByName(const std::wstring &name)
{
    for (auto &entry : databases)
        if (SameName(entry.second.name, name))
            return &entry.second;
    return nullptr;
}

Record *StoreModel::FindRecord(CEOID id) { return ValueOf(records, id); }
const Record *StoreModel::FindRecord(CEOID id) const { return ValueOf(records, id); }

Record *StoreModel::FindRecordIn(const Database &database, CEOID id)
{
    Record *record = FindRecord(id);
    return record && record->database == database.id ? record : nullptr;
}

ULONGLONG StoreModel::CountLiveBytes() const
{
    ULONGLONG live = kStoreHeaderSize;
    for (const auto &entry : databases)
        live += entry.second.entryBytes + entry.second.recordBytes;
    return live;
}

void InitIndexes(Database &database)
{
    database.indexes.assign(1 + database.sortOrders.size(), SortIndex());
    for (size_t i = 0; i < database.sortOrders.size(); ++i) {
        database.indexes[i + 1].propid = database.sortOrders[i].propid;
        database.indexes[i + 1].flags = database.sortOrders[i].dwFlags;
    }
}

void ComputeKeys(const Database &database, const Record &record)
{
    record.keys.assign(database.sortOrders.size(), std::string());
    for (size_t i = 0; i < database.sortOrders.size(); ++i)
        AppendRecordKey(record.keys[i], record, database.sortOrders[i]);
}

const std::string &SortKeyOf(const Database &database, const Record &record, size_t keyIndex)
{
    if (record.keys.size() != database.sortOrders.size())
        ComputeKeys(database, record);
    return record.keys[keyIndex];
}

void InsertIntoIndexes(Database &database, Record *record)
{
    for (size_t i = 0; i < database.indexes.size(); ++i) {
        std::vector<Record *> &order = database.indexes[i].order;
        order.insert(std::upper_bound(order.begin(), order.end(), record, LessFor(database, i)), record);
    }
}

void RemoveFromIndexes(Database &database, Record *record)
{
    for (size_t i = 0; i < database.indexes.size(); ++i) {
        std::vector<Record *> &order = database.indexes[i].order;
        auto found = std::lower_bound(order.begin(), order.end(), record, LessFor(database, i));
        if (found != order.end() && *found == record)
            order.erase(found);
    }
}

size_t PositionOf(const Database &database, size_t index, const Record *record)
{
    const std::vector<Record *> &order = database.indexes[index].order;
    return std::lower_bound(order.begin(), order.end(), record, LessFor(database, index)) - order.begin();
}

void BuildCreationOrders(StoreModel &model, const FILETIME &modified)
{
    for (auto &entry : model.records)
        model.databases[entry.second.database].indexes[0].order.push_back(&entry.second);
    for (auto &entry : model.databases) {
        Database &database = entry.second;
        database.modified = modified;
        std::vector<Record *> &byId = database.indexes[0].order;
        std::sort(byId.begin(), byId.end(), LessFor(database, 0));
    }
}

namespace {

// The records (in creation order) in the order of one sort order. The keys go into one block,
// dropped as a whole once sorted: kept per record they would take more memory than the records,
// and it would stay with the process. Records with equal keys keep their creation order.
std::vector<Record *> SortedBy(const SORTORDERSPEC &sortOrder, const std::vector<Record *> &byId)
{
    std::string keys;
    keys.reserve(byId.size() * 64);
    std::vector<size_t> ends;  // of each record's key
    ends.reserve(byId.size());
    for (const Record *record : byId) {
        AppendRecordKey(keys, *record, sortOrder);
        ends.push_back(keys.size());
    }
    struct Keyed {
        std::string_view key;
        uint32_t position;
    };
    std::vector<Keyed> sorted(byId.size());
    for (uint32_t n = 0; n < sorted.size(); ++n) {
        const size_t start = n == 0 ? 0 : ends[n - 1];
        sorted[n] = Keyed{std::string_view(keys).substr(start, ends[n] - start), n};
    }
    std::sort(sorted.begin(), sorted.end(), [&](const Keyed &a, const Keyed &b) {
        const int order = CompareSortKeys(a.key, b.key, sortOrder.dwFlags);
        return order != 0 ? order < 0 : a.position < b.position;
    });
    std::vector<Record *> order(byId.size());
    for (size_t n = 0; n < sorted.size(); ++n)
        order[n] = byId[sorted[n].position];
    return order;
}

}  // namespace

void BuildSortedIndexes(StoreModel &model)
{
    for (auto &entry : model.databases) {
        Database &database = entry.second;
        for (size_t i = 1; i < database.indexes.size(); ++i)
            database.indexes[i].order = SortedBy(database.sortOrders[i - 1], database.indexes[0].order);
    }
}
