// The cache file: 8 magic bytes, u64 store digest, u64 collation fingerprint, u32 database
// count; per database its identifier, record count and sort order count, each sort order's
// property and flags, then per sort order the records' positions in creation order, in the order
// of that index; last a CRC-32 of everything before it. Numbers little-endian.
#include "platform/store_order_cache.h"
#include <algorithm>
#include <vector>
#include "common/unique_handles.h"
#include "platform/little_endian.h"
#include "platform/sort_compare.h"
#include "platform/store_file.h"
#include "platform/store_log_format.h"

namespace {

const char kMagic[8] = {'Z', 'B', 'O', 'R', 'D', 'E', 'R', '\x1A'};
constexpr size_t kMaxCacheSize = 64u << 20;

// Reads numbers from the cache, refusing to step past its end.
class CacheReader {
public:
    CacheReader(const std::string &bytes, size_t end) : bytes_(bytes), end_(end) {}
    bool Read(uint64_t &value, size_t size)
    {
        if (end_ - at_ < size)
            return false;
        value = GetLittleEndian(bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool Expect(uint64_t wanted, size_t size)
    {
        uint64_t value = 0;
        return Read(value, size) && value == wanted;
    }
    bool AtEnd() const { return at_ == end_; }

private:
    const std::string &bytes_;
    size_t end_;
    size_t at_ = 0;
};

bool ReadWholeFile(const std::wstring &path, std::string &bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > LONGLONG(kMaxCacheSize))
        return false;
    return ReadFileBytes(file.get(), static_cast<size_t>(size.QuadPart), bytes);
}

// One sorted index as positions in creation order; false unless it names every record once.
bool ReadIndex(CacheReader &reader, const std::vector<Record *> &byId, std::vector<Record *> &order)
{
    std::vector<bool> seen(byId.size());
    order.resize(byId.size());
    for (Record *&record : order) {
        uint64_t position = 0;
        if (!reader.Read(position, 4) || position >= byId.size() || seen[position])
            return false;
        seen[position] = true;
        record = byId[position];
    }
    return true;
}

bool ReadDatabase(CacheReader &reader, const StoreModel &model, std::vector<std::vector<Record *>> &orders,
                  CEOID &id)
{
    uint64_t value = 0;
    if (!reader.Read(value, 4))
        return false;
    id = static_cast<CEOID>(value);
    const Database *database = model.FindDatabase(id);
    if (!database || !reader.Expect(database->RecordCount(), 4) || !reader.Expect(database->sortOrders.size(), 4))
        return false;
    for (const SORTORDERSPEC &order : database->sortOrders)
        if (!reader.Expect(order.propid, 4) || !reader.Expect(order.dwFlags, 4))
            return false;
    orders.resize(database->sortOrders.size());
    for (std::vector<Record *> &order : orders)
        if (!ReadIndex(reader, database->indexes[0].order, order))
            return false;
    return true;
}

}  // namespace

std::wstring OrderCachePath(const std::wstring &storePath) { return storePath + L".order"; }

uint64_t CollationFingerprint()
{
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    uint64_t fingerprint = StoreDigest(0, reinterpret_cast<const char *>(locale), lstrlenW(locale) * sizeof(WCHAR));
    // Letters, umlauts, sharp s, accents, case, punctuation and digits: where collations differ.
    const std::wstring probe = L"a A ä Ä ae ß ss ö Ö oe é e- -e 'x x 1 10 9 z Z _ . Œ œ";
    StoredProperty text;
    text.propid = MAKELONG(CEVT_LPWSTR, 1);
    text.data.assign(reinterpret_cast<const char *>(probe.data()), probe.size() * sizeof(WCHAR));
    for (DWORD flags : {DWORD(0), DWORD(CEDB_SORT_CASEINSENSITIVE)}) {
        const PropertyRef property = RefOf(text);
        const std::string key = MakeSortKey(&property, flags);
        fingerprint = StoreDigest(fingerprint, key.data(), key.size());
    }
    return fingerprint;
}

bool LoadOrderCache(const std::wstring &storePath, uint64_t storeDigest, uint64_t collation, StoreModel &model,
                    bool &found)
{
    found = false;
    if (model.records.size() < kOrderCacheMinRecords)
        return false;
    std::string bytes;
    found = ReadWholeFile(OrderCachePath(storePath), bytes);
    if (!found || bytes.size() < sizeof kMagic + 4 ||
        !std::equal(kMagic, kMagic + sizeof kMagic, bytes.begin()))
        return false;
    const size_t end = bytes.size() - 4;
    if (StoreCrc32(bytes.data(), end) != GetLittleEndian(bytes.data() + end, 4))
        return false;
    CacheReader reader(bytes, end);
    uint64_t magic = 0;
    if (!reader.Read(magic, sizeof kMagic) || !reader.Expect(storeDigest, 8) || !reader.Expect(collation, 8) ||
        !reader.Expect(model.databases.size(), 4))
        return false;
    // Everything is read and checked before any index is filled.
    std::vector<std::pair<CEOID, std::vector<std::vector<Record *>>>> databases(model.databases.size());
    for (auto &database : databases)
        if (!ReadDatabase(reader, model, database.second, database.first))
            return false;
    // Each of the model's databases exactly once.
    std::sort(databases.begin(), databases.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    const auto sameId = [](const auto &a, const auto &b) { return a.first == b.first; };
    if (!reader.AtEnd() || std::adjacent_find(databases.begin(), databases.end(), sameId) != databases.end())
        return false;
    for (auto &read : databases) {
        Database &database = *model.FindDatabase(read.first);
        for (size_t i = 0; i < read.second.size(); ++i)
            database.indexes[i + 1].order = std::move(read.second[i]);
    }
    return true;
}

void SaveOrderCache(const std::wstring &storePath, uint64_t storeDigest, uint64_t collation, const StoreModel &model,
                    bool found)
{
    const std::wstring path = OrderCachePath(storePath);
    if (model.records.size() < kOrderCacheMinRecords) {
        if (found)
            DeleteFileW(path.c_str());
        return;
    }
    std::string bytes(kMagic, sizeof kMagic);
    PutLittleEndian(bytes, storeDigest, 8);
    PutLittleEndian(bytes, collation, 8);
    PutLittleEndian(bytes, model.databases.size(), 4);
    for (const auto &entry : model.databases) {
        const Database &database = entry.second;
        PutLittleEndian(bytes, database.id, 4);
        PutLittleEndian(bytes, database.RecordCount(), 4);
        PutLittleEndian(bytes, database.sortOrders.size(), 4);
        for (const SORTORDERSPEC &order : database.sortOrders) {
            PutLittleEndian(bytes, order.propid, 4);
            PutLittleEndian(bytes, order.dwFlags, 4);
        }
        for (size_t i = 1; i < database.indexes.size(); ++i)
            for (const Record *record : database.indexes[i].order)
                PutLittleEndian(bytes, PositionOf(database, 0, record), 4);
    }
    PutLittleEndian(bytes, StoreCrc32(bytes.data(), bytes.size()), 4);
    // Not flushed: a cache cut short by a crash fails its CRC and is ignored.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.valid() || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        file.reset();
        DeleteFileW(path.c_str());
    }
}
