#include "objectstore/model.h"
#include <algorithm>
#include <string_view>
#include <thread>
#include "objectstore/collation.h"
#include "objectstore/sort_key.h"
#include "objectstore/log_format.h"

namespace {

// The value stored under key in a map of this model, or null.
template <typename Map>
auto ValueOf(Map &map, CEOID key) -> decltype(&map.begin()->second)
{
    auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

// Strict order of an index: the sort order's comparison, then the identifier, so records with
// equal keys stay in the order they were made.
struct IndexLess {
    const Database *database;
    size_t index;
    uint32_t flags;
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

// Appends the record's key for one sort order, in the locale's collation.
void AppendRecordKey(std::string &keys, const Record &record, const SORTORDERSPEC &sortOrder,
                     const std::wstring &locale)
{
    PropertyRef property;
    const bool found = record.properties.Find(sortOrder.propid, property);
    AppendSortKey(keys, found ? &property : nullptr, sortOrder.dwFlags, locale);
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
        if (SameNameIgnoringCase(entry.second.name, name))
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

uint64_t StoreModel::CountLiveBytes() const
{
    uint64_t live = kStoreHeaderSize;
    for (const auto &entry : databases)
        live += entry.second.entryBytes + entry.second.recordBytes;
    return live;
}

void InitIndexes(Database &database, const std::wstring &locale)
{
    database.locale = locale;
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
        AppendRecordKey(record.keys[i], record, database.sortOrders[i], database.locale);
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
        const IndexLess less = LessFor(database, i);
        const auto at = std::upper_bound(order.begin(), order.end(), record, less);
        const bool fits = (at == order.begin() || less(*(at - 1), record)) && (at == order.end() || less(record, *at));
        order.insert(at, record);
        if (!fits)
            std::sort(order.begin(), order.end(), less);
    }
}

void RemoveFromIndexes(Database &database, Record *record)
{
    for (size_t i = 0; i < database.indexes.size(); ++i) {
        std::vector<Record *> &order = database.indexes[i].order;
        const IndexLess less = LessFor(database, i);
        const auto found = std::lower_bound(order.begin(), order.end(), record, less);
        if (found != order.end() && *found == record) {
            order.erase(found);
            continue;
        }
        // The search missed, so the index is out of order: every copy of the record goes, found
        // by a scan, and the rest is sorted anew.
        order.erase(std::remove(order.begin(), order.end(), record), order.end());
        std::sort(order.begin(), order.end(), less);
    }
}

size_t PositionOf(const Database &database, size_t index, const Record *record)
{
    const std::vector<Record *> &order = database.indexes[index].order;
    const auto found = std::lower_bound(order.begin(), order.end(), record, LessFor(database, index));
    if (found != order.end() && *found == record)
        return found - order.begin();
    return std::find(order.begin(), order.end(), record) - order.begin();
}

void BuildCreationOrders(StoreModel &model, uint64_t modified)
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

struct Keyed {
    // Eight bytes of the key as one number (zeros past its end), from where the keys of its run
    // begin to differ: most comparisons end there, without reaching into the key block.
    uint64_t head;
    std::string_view key;
    uint32_t position;  // in creation order, which also breaks ties
};

uint64_t HeadOf(std::string_view key)
{
    uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

// Sorts records [begin, end) of byId by their keys for one sort order. The keys go into one
// block, dropped as a whole once the index is made: kept per record they would take more
// memory than the records, and it would stay with the process.
struct KeyedRun {
    const std::vector<Record *> *byId;
    const SORTORDERSPEC *sortOrder;
    const std::wstring *locale;
    uint32_t begin, end;
    std::string keys;
    std::vector<Keyed> sorted;

    // Heads order as the keys do where they differ: the keys of a run share what comes before
    // them, and a missing key is 0 from the start, before every present one. A descending
    // order compares whole keys.
    bool Before(const Keyed &a, const Keyed &b) const
    {
        if (a.head != b.head && !(sortOrder->dwFlags & CEDB_SORT_DESCENDING))
            return a.head < b.head;
        return WholeBefore(a, b);
    }
    // For keys of two runs, whose heads begin at different places.
    bool WholeBefore(const Keyed &a, const Keyed &b) const
    {
        const int order = CompareSortKeys(a.key, b.key, sortOrder->dwFlags);
        return order != 0 ? order < 0 : a.position < b.position;
    }
    void Run()
    {
        std::vector<size_t> ends;  // of each record's key
        ends.reserve(end - begin);
        keys.reserve((end - begin) * size_t(128));
        for (uint32_t n = begin; n < end; ++n) {
            AppendRecordKey(keys, *(*byId)[n], *sortOrder, *locale);
            ends.push_back(keys.size());
        }
        sorted.resize(end - begin);
        for (uint32_t n = 0; n < sorted.size(); ++n) {
            const size_t start = n == 0 ? 0 : ends[n - 1];
            sorted[n].key = std::string_view(keys).substr(start, ends[n] - start);
            sorted[n].position = begin + n;
        }
        // Names often begin alike ("Lizenz ..."); the heads start after what all keys share.
        size_t shared = sorted.empty() ? 0 : sorted[0].key.size();
        for (const Keyed &keyed : sorted) {
            size_t same = 0;
            while (same < shared && same < keyed.key.size() && keyed.key[same] == sorted[0].key[same])
                ++same;
            shared = same;
        }
        for (Keyed &keyed : sorted)
            keyed.head = HeadOf(keyed.key.substr(shared));
        std::sort(sorted.begin(), sorted.end(), [this](const Keyed &a, const Keyed &b) { return Before(a, b); });
    }
};

// Below this many records a second thread costs more than it saves.
constexpr size_t kSortInTwoFrom = 4096;

// The records (in creation order) in the order of one sort order. Making the keys is most of
// an open's time, so a large database makes and sorts them in two halves on two threads and
// merges them; records with equal keys keep their creation order.
std::vector<Record *> SortedBy(const SORTORDERSPEC &sortOrder, const std::wstring &locale,
                               const std::vector<Record *> &byId)
{
    const uint32_t count = static_cast<uint32_t>(byId.size());
    const uint32_t half = count >= kSortInTwoFrom ? count / 2 : count;
    KeyedRun runs[2] = {{&byId, &sortOrder, &locale, 0, half, {}, {}}, {&byId, &sortOrder, &locale, half, count, {}, {}}};
    std::thread second;
    if (half < count)
        second = std::thread(&KeyedRun::Run, &runs[1]);
    runs[0].Run();
    if (second.joinable())
        second.join();
    else
        runs[1].Run();
    std::vector<Record *> order;
    order.reserve(count);
    std::vector<Keyed> merged(count);
    std::merge(runs[0].sorted.begin(), runs[0].sorted.end(), runs[1].sorted.begin(), runs[1].sorted.end(),
               merged.begin(), [&](const Keyed &a, const Keyed &b) { return runs[0].WholeBefore(a, b); });
    for (const Keyed &keyed : merged)
        order.push_back(byId[keyed.position]);
    return order;
}

}  // namespace

void BuildSortedIndexes(StoreModel &model)
{
    for (auto &entry : model.databases) {
        Database &database = entry.second;
        for (size_t i = 1; i < database.indexes.size(); ++i)
            database.indexes[i].order = SortedBy(database.sortOrders[i - 1], database.locale, database.indexes[0].order);
    }
}
