// The property databases of the object store: an append-only log in one file, replayed into
// memory when the first call needs it and dropped again when the last handle closes.
// Every change is one log entry that is flushed before the call reports success; the memory
// changes only after that. When dead entries outweigh live ones the file is rewritten.
#include "platform/object_store.h"
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <shlobj.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "platform/sort_compare.h"
#include "platform/store_file.h"
#include "platform/store_format.h"
#include "platform/store_lock.h"

namespace {

// Below this size the file is never compacted: rewriting it would save next to nothing.
constexpr ULONGLONG kCompactionThreshold = 64 * 1024;
constexpr uint64_t kLastIdentifier = 0xFFFFFFFFull;

struct Record {
    CEOID id = 0;
    CEOID database = 0;
    std::vector<StoredProperty> properties;
    std::vector<std::string> keys;  // one per sort order of its database
    ULONGLONG entryBytes = 0;       // the log entry that holds its current state
};

// Records in one order: [0] is creation order (by identifier), then one per sort order.
struct SortIndex {
    CEPROPID propid = 0;
    DWORD flags = 0;
    std::vector<Record *> order;
};

struct Database {
    CEOID id = 0;
    DWORD type = 0;
    std::wstring name;
    std::vector<SORTORDERSPEC> sortOrders;
    std::vector<SortIndex> indexes;
    ULONGLONG entryBytes = 0;
    ULONGLONG recordBytes = 0;
    FILETIME modified = {};
    DWORD replayedRecords = 0;  // while the file is read, before the indexes exist
    DWORD RecordCount() const { return static_cast<DWORD>(indexes[0].order.size()); }
};

struct Store {
    std::wstring path;
    StoreLock lock;  // before the file: released after it
    StoreFile file;
    std::map<CEOID, Database> databases;
    std::unordered_map<CEOID, Record> records;
    uint64_t nextId = 1;
    ULONGLONG liveBytes = 0;  // header and the entries that replay still needs
    bool failed = false;      // the file could not be put back after a failed write
};

// One open database handle with its cursor. cursorRecord 0: at the end (nothing to read).
struct OpenDatabase {
    CEOID database = 0;
    size_t index = 0;
    DWORD flags = 0;
    CEOID cursorRecord = 0;
    size_t cursorPosition = 0;
};

// Never destroyed: the store classes' globals close their databases from their destructors at
// exit, and globals of other files may be destroyed after these would be.
std::recursive_mutex &storeLock = *new std::recursive_mutex;
std::unique_ptr<Store> &store = *new std::unique_ptr<Store>;
std::map<HANDLE, OpenDatabase> &handles = *new std::map<HANDLE, OpenDatabase>;
UINT_PTR lastHandle = 0x5A00;

std::u16string ToU16(const std::wstring &text) { return std::u16string(text.begin(), text.end()); }

bool SameName(const std::wstring &a, const std::wstring &b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

Database *FindDatabaseByName(Store &s, const std::wstring &name)
{
    for (auto &entry : s.databases)
        if (SameName(entry.second.name, name))
            return &entry.second;
    return nullptr;
}

Database *FindDatabase(Store &s, CEOID id)
{
    auto found = s.databases.find(id);
    return found == s.databases.end() ? nullptr : &found->second;
}

Record *FindRecord(Store &s, CEOID id)
{
    auto found = s.records.find(id);
    return found == s.records.end() ? nullptr : &found->second;
}

const StoredProperty *FindProperty(const std::vector<StoredProperty> &properties, CEPROPID propid)
{
    for (const StoredProperty &property : properties)
        if (property.propid == propid)
            return &property;
    return nullptr;
}

void ComputeKeys(const Database &database, Record &record)
{
    record.keys.resize(database.sortOrders.size());
    for (size_t i = 0; i < database.sortOrders.size(); ++i)
        record.keys[i] = MakeSortKey(FindProperty(record.properties, database.sortOrders[i].propid),
                                     database.sortOrders[i].dwFlags);
}

// Strict order of an index: the sort order's comparison, then the identifier, so records with
// equal keys stay in the order they were made.
struct IndexLess {
    size_t index;
    DWORD flags;
    bool operator()(const Record *a, const Record *b) const
    {
        if (index > 0) {
            const int order = CompareSortKeys(a->keys[index - 1], b->keys[index - 1], flags);
            if (order != 0)
                return order < 0;
        }
        return a->id < b->id;
    }
};

IndexLess LessFor(const Database &database, size_t index)
{
    return IndexLess{index, database.indexes[index].flags};
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

void InitIndexes(Database &database)
{
    database.indexes.assign(1 + database.sortOrders.size(), SortIndex());
    for (size_t i = 0; i < database.sortOrders.size(); ++i) {
        database.indexes[i + 1].propid = database.sortOrders[i].propid;
        database.indexes[i + 1].flags = database.sortOrders[i].dwFlags;
    }
}

FILETIME Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

// --- Replay -------------------------------------------------------------------------------------

void NoteIdentifier(Store &s, uint32_t id) { s.nextId = std::max<uint64_t>(s.nextId, uint64_t(id) + 1); }

// Applies one entry of the file. False when the entry contradicts what came before: the file is
// damaged in a way no crash explains.
bool ReplayEntry(Store &s, StoreScanEntry &scanned)
{
    StoreEntry &entry = scanned.entry;
    switch (entry.kind) {
    case StoreEntryKind::CreateDatabase: {
        const std::wstring name(entry.name.begin(), entry.name.end());
        if (s.databases.count(entry.database) || s.records.count(entry.database) || FindDatabaseByName(s, name))
            return false;
        Database &database = s.databases[entry.database];
        database.id = entry.database;
        database.type = entry.databaseType;
        database.name = name;
        for (const StoredSortOrder &order : entry.sortOrders)
            database.sortOrders.push_back(SORTORDERSPEC{order.propid, order.flags});
        database.entryBytes = scanned.size;
        InitIndexes(database);
        NoteIdentifier(s, entry.database);
        return true;
    }
    case StoreEntryKind::WriteRecord: {
        Database *database = FindDatabase(s, entry.database);
        if (!database || s.databases.count(entry.record))
            return false;
        for (size_t i = 0; i < entry.properties.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (entry.properties[i].propid == entry.properties[j].propid)
                    return false;
        Record *record = FindRecord(s, entry.record);
        if (record) {
            if (record->database != entry.database)
                return false;
            database->recordBytes -= record->entryBytes;
        } else {
            if (database->replayedRecords >= CEDB_MAXRECORDS)
                return false;
            record = &s.records[entry.record];
            record->id = entry.record;
            record->database = entry.database;
            ++database->replayedRecords;
        }
        record->properties = std::move(entry.properties);
        record->entryBytes = scanned.size;
        database->recordBytes += scanned.size;
        NoteIdentifier(s, entry.record);
        return true;
    }
    case StoreEntryKind::DeleteRecord: {
        Database *database = FindDatabase(s, entry.database);
        Record *record = FindRecord(s, entry.record);
        if (!database || !record || record->database != entry.database)
            return false;
        --database->replayedRecords;
        database->recordBytes -= record->entryBytes;
        s.records.erase(entry.record);
        return true;
    }
    case StoreEntryKind::DeleteDatabase: {
        Database *database = FindDatabase(s, entry.database);
        if (!database)
            return false;
        for (auto record = s.records.begin(); record != s.records.end();)
            record = record->second.database == entry.database ? s.records.erase(record) : std::next(record);
        s.databases.erase(entry.database);
        return true;
    }
    case StoreEntryKind::ReserveIds:
        s.nextId = std::max<uint64_t>(s.nextId, entry.nextId);
        return true;
    }
    return false;
}

// Sorts every database's indexes once the whole file is read.
void BuildIndexes(Store &s, const FILETIME &modified)
{
    for (auto &entry : s.records)
        s.databases[entry.second.database].indexes[0].order.push_back(&entry.second);
    for (auto &entry : s.databases) {
        Database &database = entry.second;
        database.modified = modified;
        std::vector<Record *> &byId = database.indexes[0].order;
        std::sort(byId.begin(), byId.end(), LessFor(database, 0));
        for (Record *record : byId)
            ComputeKeys(database, *record);
        for (size_t i = 1; i < database.indexes.size(); ++i) {
            database.indexes[i].order = byId;
            std::stable_sort(database.indexes[i].order.begin(), database.indexes[i].order.end(), LessFor(database, i));
        }
    }
}

ULONGLONG CountLiveBytes(const Store &s)
{
    ULONGLONG live = kStoreHeaderSize;
    for (const auto &entry : s.databases)
        live += entry.second.entryBytes + entry.second.recordBytes;
    return live;
}

// Opens and reads the file. Null with the Win32 error set when it can't be opened or is damaged;
// a damaged file is left exactly as it is.
std::unique_ptr<Store> LoadStore()
{
    WCHAR path[MAX_PATH];
    if (!StoreFilePath(path, MAX_PATH)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    auto s = std::make_unique<Store>();
    s->path = path;
    // Only one process writes the store: a second opener fails at the lock, as with a held
    // file. Opening first creates the folder; it changes nothing in an existing file.
    if (!s->file.Open(s->path) || !s->lock.Acquire(s->path))
        return nullptr;
    // A rewrite that never reached its rename; the file itself is whole.
    DeleteFileW((s->path + L".new").c_str());

    std::string bytes;
    if (!s->file.ReadAll(bytes))
        return nullptr;
    StoreScanResult scan = ScanStoreLog(bytes.data(), bytes.size());
    if (scan.status == StoreScanStatus::Damaged) {
        SetLastError(ERROR_FILE_CORRUPT);
        return nullptr;
    }
    if (scan.status == StoreScanStatus::Empty) {
        if ((s->file.Size() > 0 && !s->file.Truncate(0)) || s->file.Append(EncodeStoreHeader()) != AppendResult::Done)
            return nullptr;
        s->liveBytes = kStoreHeaderSize;
        return s;
    }
    s->records.reserve(scan.entries.size());
    for (StoreScanEntry &entry : scan.entries) {
        if (!ReplayEntry(*s, entry)) {
            SetLastError(ERROR_FILE_CORRUPT);
            return nullptr;
        }
    }
    // What a crash left of the last entry goes, so the next entry follows whole ones.
    if (scan.validLength < s->file.Size() && !s->file.Truncate(scan.validLength))
        return nullptr;
    FILETIME modified = {};
    s->file.LastWriteTime(modified);
    BuildIndexes(*s, modified);
    s->liveBytes = CountLiveBytes(*s);
    return s;
}

// The loaded store for a call, or null (error set). Loads it at the first call that needs it.
Store *AcquireStore()
{
    if (!store)
        store = LoadStore();
    return store.get();
}

// With no handle open nothing needs the memory image: the file is closed, so the next call
// reads it afresh (and another process may use it meanwhile).
void ReleaseStoreIfUnused()
{
    if (handles.empty())
        store.reset();
}

struct ReleaseGuard {
    ~ReleaseGuard() { ReleaseStoreIfUnused(); }
};

// --- Writing ------------------------------------------------------------------------------------

bool WritableStore(Store &s)
{
    if (s.failed || !s.file.IsOpen()) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

// Writes one entry durably. The caller changes memory only when this returns true.
bool AppendEntry(Store &s, const std::string &payload, ULONGLONG &entryBytes)
{
    const std::string entry = EncodeStoreEntry(payload);
    const AppendResult result = s.file.Append(entry);
    if (result == AppendResult::FailedDirty)
        s.failed = true;
    if (result != AppendResult::Done)
        return false;
    entryBytes = entry.size();
    return true;
}

std::string CompactedImage(Store &s, std::vector<std::pair<Record *, ULONGLONG>> &recordSizes,
                           std::vector<std::pair<Database *, ULONGLONG>> &databaseSizes)
{
    std::string image = EncodeStoreHeader();
    image.reserve(static_cast<size_t>(s.liveBytes) + 64);
    image += EncodeStoreEntry(EncodeReserveIdsPayload(static_cast<uint32_t>(std::min(s.nextId, kLastIdentifier))));
    for (auto &entry : s.databases) {
        Database &database = entry.second;
        std::vector<StoredSortOrder> orders;
        for (const SORTORDERSPEC &order : database.sortOrders)
            orders.push_back(StoredSortOrder{order.propid, order.dwFlags});
        const std::string created =
            EncodeStoreEntry(EncodeCreateDatabasePayload(database.id, database.type, ToU16(database.name), orders));
        databaseSizes.emplace_back(&database, created.size());
        image += created;
    }
    for (auto &entry : s.databases) {
        for (Record *record : entry.second.indexes[0].order) {
            const std::string written =
                EncodeStoreEntry(EncodeWriteRecordPayload(record->database, record->id, record->properties));
            recordSizes.emplace_back(record, written.size());
            image += written;
        }
    }
    return image;
}

// Rewrites the file with only its live state once the dead entries outweigh the live ones.
// "<path>.new" is written and flushed first, then renamed over the file: a crash leaves either
// file whole. A failed compaction leaves the old file in use.
void CompactIfWorthwhile(Store &s)
{
    const ULONGLONG size = s.file.Size();
    if (s.failed || size < kCompactionThreshold || size - s.liveBytes <= s.liveBytes)
        return;
    std::vector<std::pair<Record *, ULONGLONG>> recordSizes;
    std::vector<std::pair<Database *, ULONGLONG>> databaseSizes;
    const std::string image = CompactedImage(s, recordSizes, databaseSizes);
    const std::wstring newPath = s.path + L".new";
    if (!WriteStoreFileCopy(newPath, image)) {
        DeleteFileW(newPath.c_str());
        return;
    }
    s.file.Close();
    const bool replaced = ReplaceStoreFile(newPath, s.path);
    if (!replaced)
        DeleteFileW(newPath.c_str());
    if (!s.file.Open(s.path) || (replaced && s.file.Size() != image.size())) {
        s.file.Close();
        s.failed = true;
        return;
    }
    if (!replaced)
        return;
    for (auto &entry : databaseSizes)
        entry.first->entryBytes = entry.second;
    for (auto &entry : s.databases)
        entry.second.recordBytes = 0;
    for (auto &entry : recordSizes) {
        entry.first->entryBytes = entry.second;
        s.databases[entry.first->database].recordBytes += entry.second;
    }
    s.liveBytes = CountLiveBytes(s);
}

// --- Property values ------------------------------------------------------------------------------

void PutLittleEndian(std::string &data, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t GetLittleEndian(const std::string &data)
{
    uint64_t value = 0;
    for (size_t i = data.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// The stored form of a caller's value; false for an unknown type or a value without data.
bool ToStoredProperty(const CEPROPVAL &value, StoredProperty &property)
{
    property.propid = value.propid;
    property.data.clear();
    switch (TypeFromPropID(value.propid)) {
    case CEVT_I2:
        PutLittleEndian(property.data, static_cast<USHORT>(value.val.iVal), 2);
        return true;
    case CEVT_UI2:
        PutLittleEndian(property.data, value.val.uiVal, 2);
        return true;
    case CEVT_I4:
        PutLittleEndian(property.data, static_cast<ULONG>(value.val.lVal), 4);
        return true;
    case CEVT_UI4:
        PutLittleEndian(property.data, value.val.ulVal, 4);
        return true;
    case CEVT_BOOL:
        PutLittleEndian(property.data, static_cast<ULONG>(value.val.boolVal), 4);
        return true;
    case CEVT_R8: {
        uint64_t bits;
        std::memcpy(&bits, &value.val.dblVal, sizeof bits);
        PutLittleEndian(property.data, bits, 8);
        return true;
    }
    case CEVT_FILETIME:
        PutLittleEndian(property.data, value.val.filetime.dwLowDateTime, 4);
        PutLittleEndian(property.data, value.val.filetime.dwHighDateTime, 4);
        return true;
    case CEVT_LPWSTR:
        if (!value.val.lpwstr)
            return false;
        property.data.assign(reinterpret_cast<const char *>(value.val.lpwstr), wcslen(value.val.lpwstr) * sizeof(WCHAR));
        return true;
    case CEVT_BLOB:
        if (!value.val.blob.lpb && value.val.blob.dwCount)
            return false;
        property.data.assign(reinterpret_cast<const char *>(value.val.blob.lpb), value.val.blob.dwCount);
        return true;
    }
    return false;
}

size_t AlignUp(size_t size) { return (size + 7) & ~size_t(7); }

// Bytes a value needs after the CEPROPVAL array.
size_t ExtraBytes(const StoredProperty *property)
{
    if (!property)
        return 0;
    switch (TypeFromPropID(property->propid)) {
    case CEVT_LPWSTR:
        return AlignUp(property->data.size() + sizeof(WCHAR));
    case CEVT_BLOB:
        return AlignUp(property->data.size());
    }
    return 0;
}

// Fills one CEPROPVAL; text and blobs go to *extra, which moves on.
void FillValue(CEPROPVAL &value, CEPROPID propid, const StoredProperty *property, BYTE *&extra)
{
    std::memset(&value, 0, sizeof value);
    value.propid = propid;
    if (!property) {
        value.wFlags = CEDB_PROPNOTFOUND;
        return;
    }
    const std::string &data = property->data;
    const uint64_t number = TypeFromPropID(propid) == CEVT_LPWSTR || TypeFromPropID(propid) == CEVT_BLOB
                                ? 0 : GetLittleEndian(data);
    switch (TypeFromPropID(propid)) {
    case CEVT_I2: value.val.iVal = static_cast<short>(number); break;
    case CEVT_UI2: value.val.uiVal = static_cast<USHORT>(number); break;
    case CEVT_I4: value.val.lVal = static_cast<long>(static_cast<ULONG>(number)); break;
    case CEVT_UI4: value.val.ulVal = static_cast<ULONG>(number); break;
    case CEVT_BOOL: value.val.boolVal = static_cast<BOOL>(number); break;
    case CEVT_R8: std::memcpy(&value.val.dblVal, &number, sizeof number); break;
    case CEVT_FILETIME:
        value.val.filetime.dwLowDateTime = static_cast<DWORD>(number);
        value.val.filetime.dwHighDateTime = static_cast<DWORD>(number >> 32);
        break;
    case CEVT_LPWSTR:
        value.val.lpwstr = reinterpret_cast<LPWSTR>(extra);
        std::memcpy(extra, data.data(), data.size());
        extra[data.size()] = 0;
        extra[data.size() + 1] = 0;
        extra += ExtraBytes(property);
        break;
    case CEVT_BLOB:
        value.val.blob.dwCount = static_cast<DWORD>(data.size());
        value.val.blob.lpb = data.empty() ? nullptr : extra;
        if (!data.empty())
            std::memcpy(extra, data.data(), data.size());
        extra += ExtraBytes(property);
        break;
    }
}

// --- Handles and cursors ------------------------------------------------------------------------

OpenDatabase *FindHandle(HANDLE handle)
{
    auto found = handles.find(handle);
    if (found == handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

// The database behind a handle; null when it was deleted meanwhile.
Database *DatabaseOf(const OpenDatabase &open)
{
    Database *database = store ? FindDatabase(*store, open.database) : nullptr;
    if (!database)
        SetLastError(ERROR_INVALID_HANDLE);
    return database;
}

// Where the cursor is now, in its index; the index size when at the end. A record that moved
// is followed; when the cursor's record was deleted the cursor stands on the one that took its
// place.
size_t CursorPosition(OpenDatabase &open, Database &database)
{
    const std::vector<Record *> &order = database.indexes[open.index].order;
    if (open.cursorRecord == 0)
        return order.size();
    if (open.cursorPosition < order.size() && order[open.cursorPosition]->id == open.cursorRecord)
        return open.cursorPosition;
    const Record *record = FindRecord(*store, open.cursorRecord);
    if (record && record->database == database.id)
        open.cursorPosition = PositionOf(database, open.index, record);
    else
        open.cursorPosition = std::min(open.cursorPosition, order.size());
    open.cursorRecord = open.cursorPosition < order.size() ? order[open.cursorPosition]->id : 0;
    return open.cursorPosition;
}

void SetCursor(OpenDatabase &open, const Database &database, size_t position)
{
    const std::vector<Record *> &order = database.indexes[open.index].order;
    open.cursorPosition = std::min(position, order.size());
    open.cursorRecord = position < order.size() ? order[position]->id : 0;
}

// Position reached by a value seek, or the index size when there is none.
size_t ValueSeekPosition(OpenDatabase &open, Database &database, DWORD seekType, const CEPROPVAL &value)
{
    const SortIndex &index = database.indexes[open.index];
    const size_t none = index.order.size();
    StoredProperty property;
    if (open.index == 0 || value.propid != index.propid || !ToStoredProperty(value, property)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return none;
    }
    const std::string key = MakeSortKey(&property, index.flags);
    const size_t keyIndex = open.index - 1;
    const auto compare = [&](const Record *record) { return CompareSortKeys(record->keys[keyIndex], key, index.flags); };
    const std::vector<Record *> &order = index.order;
    const size_t equalFirst =
        std::partition_point(order.begin(), order.end(), [&](const Record *r) { return compare(r) < 0; }) - order.begin();
    const size_t equalEnd =
        std::partition_point(order.begin(), order.end(), [&](const Record *r) { return compare(r) <= 0; }) - order.begin();
    const bool descending = (index.flags & CEDB_SORT_DESCENDING) != 0;
    // The record just before the equal ones, unless it lacks the property.
    const auto before = [&]() {
        return equalFirst > 0 && order[equalFirst - 1]->keys[keyIndex][0] != 0 ? equalFirst - 1 : none;
    };
    switch (seekType) {
    case CEDB_SEEK_VALUEFIRSTEQUAL:
        return equalFirst < equalEnd ? equalFirst : none;
    case CEDB_SEEK_VALUENEXTEQUAL: {
        const size_t current = CursorPosition(open, database);
        if (current >= none)
            return none;
        const size_t next = current + 1;
        return next < none && compare(order[next]) == 0 ? next : none;
    }
    case CEDB_SEEK_VALUESMALLER:
        return descending ? equalEnd : before();
    case CEDB_SEEK_VALUEGREATER:
        return descending ? before() : equalEnd;
    }
    return none;
}

}  // namespace

// --- The calls --------------------------------------------------------------------------------------

bool StoreFilePath(WCHAR *path, DWORD capacity)
{
    if (!path || capacity == 0)
        return false;
    const DWORD length = GetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", path, capacity);
    if (length > 0)
        return length < capacity;
    WCHAR folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return false;
    const std::wstring full = std::wstring(folder) + L"\\Zifferbox\\objectstore.zbs";
    if (full.size() + 1 > capacity)
        return false;
    std::memcpy(path, full.c_str(), (full.size() + 1) * sizeof(WCHAR));
    return true;
}

HANDLE CeOpenDatabase(PCEOID poid, LPWSTR lpszName, CEPROPID propid, DWORD dwFlags, HWND hwndNotify)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    ReleaseGuard release;
    if (!poid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    Store *s = AcquireStore();
    if (!s)
        return INVALID_HANDLE_VALUE;
    Database *database = lpszName ? FindDatabaseByName(*s, lpszName) : FindDatabase(*s, *poid);
    if (!database) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    size_t index = 0;
    if (propid != 0) {
        while (index < database->sortOrders.size() && database->sortOrders[index].propid != propid)
            ++index;
        if (index == database->sortOrders.size()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        ++index;
    }
    OpenDatabase open;
    open.database = database->id;
    open.index = index;
    open.flags = dwFlags;
    SetCursor(open, *database, 0);
    lastHandle += 4;
    const HANDLE handle = reinterpret_cast<HANDLE>(lastHandle);
    handles[handle] = open;
    if (lpszName)
        *poid = database->id;
    return handle;
}

CEOID CeCreateDatabase(LPWSTR lpszName, DWORD dwDbaseType, WORD wNumSortOrder, SORTORDERSPEC *rgSortSpecs)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    ReleaseGuard release;
    if (!lpszName || wNumSortOrder > CEDB_MAXSORTORDER || (wNumSortOrder > 0 && !rgSortSpecs)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t nameLength = wcsnlen(lpszName, CEDB_MAXDBASENAMELEN);
    std::vector<StoredSortOrder> orders;
    for (WORD i = 0; i < wNumSortOrder; ++i)
        orders.push_back(StoredSortOrder{rgSortSpecs[i].propid, rgSortSpecs[i].dwFlags});
    const std::wstring name(lpszName, nameLength);
    const std::string payload = EncodeCreateDatabasePayload(1, dwDbaseType, ToU16(name), orders);
    StoreEntry check;
    // The file's own rules decide what a valid database is: a name of 1 to 31 characters, known
    // property types, known flags, no sort property twice.
    if (nameLength >= CEDB_MAXDBASENAMELEN || !DecodeStorePayload(payload.data(), payload.size(), check)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Store *s = AcquireStore();
    if (!s || !WritableStore(*s))
        return 0;
    if (FindDatabaseByName(*s, name)) {
        SetLastError(ERROR_DUP_NAME);
        return 0;
    }
    if (s->nextId > kLastIdentifier) {
        SetLastError(ERROR_DISK_FULL);
        return 0;
    }
    const CEOID id = static_cast<CEOID>(s->nextId);
    ULONGLONG entryBytes = 0;
    if (!AppendEntry(*s, EncodeCreateDatabasePayload(id, dwDbaseType, ToU16(name), orders), entryBytes))
        return 0;
    Database &database = s->databases[id];
    database.id = id;
    database.type = dwDbaseType;
    database.name = name;
    database.sortOrders.assign(rgSortSpecs, rgSortSpecs + wNumSortOrder);
    database.entryBytes = entryBytes;
    database.modified = Now();
    InitIndexes(database);
    s->nextId = uint64_t(id) + 1;
    s->liveBytes += entryBytes;
    return id;
}

BOOL CeDeleteDatabase(CEOID oidDbase)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    ReleaseGuard release;
    Store *s = AcquireStore();
    if (!s)
        return FALSE;
    Database *database = FindDatabase(*s, oidDbase);
    if (!database) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (const auto &entry : handles) {
        if (entry.second.database == oidDbase) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    ULONGLONG entryBytes = 0;
    if (!WritableStore(*s) || !AppendEntry(*s, EncodeDeleteDatabasePayload(oidDbase), entryBytes))
        return FALSE;
    s->liveBytes -= database->entryBytes + database->recordBytes;
    for (Record *record : database->indexes[0].order)
        s->records.erase(record->id);
    s->databases.erase(oidDbase);
    CompactIfWorthwhile(*s);
    return TRUE;
}

CEOID CeSeekDatabase(HANDLE hDatabase, DWORD dwSeekType, DWORD_PTR dwValueOrPointer, LPDWORD lpdwIndex)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    OpenDatabase *open = FindHandle(hDatabase);
    Database *database = open ? DatabaseOf(*open) : nullptr;
    if (!database)
        return 0;
    const size_t count = database->RecordCount();
    // Counts and identifiers are the low 32 bits; the value seeks pass a CEPROPVAL pointer.
    const DWORD dwValue = static_cast<DWORD>(dwValueOrPointer);
    const LONG signedValue = static_cast<LONG>(dwValue);
    size_t target = count;
    switch (dwSeekType) {
    case CEDB_SEEK_BEGINNING:
        target = dwValue < count ? dwValue : count;
        break;
    case CEDB_SEEK_CURRENT: {
        const size_t current = CursorPosition(*open, *database);
        const long long moved = static_cast<long long>(current) + signedValue;
        target = moved >= 0 && moved < static_cast<long long>(count) ? static_cast<size_t>(moved) : count;
        break;
    }
    case CEDB_SEEK_END: {
        // Counts back from the last record; either sign of the value means "back".
        const unsigned long long back = signedValue < 0 ? -static_cast<long long>(signedValue) : signedValue;
        target = back < count ? count - 1 - static_cast<size_t>(back) : count;
        break;
    }
    case CEDB_SEEK_CEOID: {
        const Record *record = FindRecord(*store, dwValue);
        if (record && record->database == database->id)
            target = PositionOf(*database, open->index, record);
        break;
    }
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUENEXTEQUAL:
    case CEDB_SEEK_VALUESMALLER:
    case CEDB_SEEK_VALUEGREATER: {
        const CEPROPVAL *value = reinterpret_cast<const CEPROPVAL *>(dwValueOrPointer);
        if (value)
            target = ValueSeekPosition(*open, *database, dwSeekType, *value);
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        break;
    }
    // A failed seek leaves the cursor at the end, so a following read finds nothing.
    SetCursor(*open, *database, target);
    if (target >= count)
        return 0;
    if (lpdwIndex)
        *lpdwIndex = static_cast<DWORD>(target);
    return open->cursorRecord;
}

CEOID CeReadRecordProps(HANDLE hDbase, DWORD dwFlags, LPWORD lpcPropID, CEPROPID *rgPropID, LPBYTE *lplpBuffer,
                        LPDWORD lpcbBuffer)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    OpenDatabase *open = FindHandle(hDbase);
    Database *database = open ? DatabaseOf(*open) : nullptr;
    if (!database)
        return 0;
    if (!lpcPropID || !lplpBuffer || !lpcbBuffer || (rgPropID && *lpcPropID == 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t position = CursorPosition(*open, *database);
    const std::vector<Record *> &order = database->indexes[open->index].order;
    if (position >= order.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return 0;
    }
    const Record &record = *order[position];

    // Which values the caller gets, in the caller's order when it named them.
    std::vector<std::pair<CEPROPID, const StoredProperty *>> wanted;
    if (rgPropID) {
        for (WORD i = 0; i < *lpcPropID; ++i)
            wanted.emplace_back(rgPropID[i], FindProperty(record.properties, rgPropID[i]));
    } else {
        for (const StoredProperty &property : record.properties)
            wanted.emplace_back(property.propid, &property);
    }
    unsigned long long needed = AlignUp(wanted.size() * sizeof(CEPROPVAL));
    for (const auto &value : wanted)
        needed += ExtraBytes(value.second);
    if (needed > 0xFFFFFFF0ull) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const DWORD size = static_cast<DWORD>(needed ? needed : 1);
    if (!*lplpBuffer || *lpcbBuffer < size) {
        if (!(dwFlags & CEDB_ALLOWREALLOC)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        HLOCAL grown = *lplpBuffer ? LocalReAlloc(reinterpret_cast<HLOCAL>(*lplpBuffer), size, LMEM_MOVEABLE)
                                   : LocalAlloc(LMEM_FIXED, size);
        if (!grown) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *lplpBuffer = static_cast<LPBYTE>(grown);
        *lpcbBuffer = size;
    }
    CEPROPVAL *values = reinterpret_cast<CEPROPVAL *>(*lplpBuffer);
    BYTE *extra = *lplpBuffer + AlignUp(wanted.size() * sizeof(CEPROPVAL));
    for (size_t i = 0; i < wanted.size(); ++i)
        FillValue(values[i], wanted[i].first, wanted[i].second, extra);
    if (!rgPropID)
        *lpcPropID = static_cast<WORD>(wanted.size());
    if (open->flags & CEDB_AUTOINCREMENT)
        SetCursor(*open, *database, position + 1);
    return record.id;
}

CEOID CeWriteRecordProps(HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL *rgPropVal)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    OpenDatabase *open = FindHandle(hDbase);
    Database *database = open ? DatabaseOf(*open) : nullptr;
    if (!database)
        return 0;
    Store &s = *store;
    if (cPropID == 0 || !rgPropVal) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Record *record = nullptr;
    if (oidRecord != 0) {
        record = FindRecord(s, oidRecord);
        if (!record || record->database != database->id) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else if (database->RecordCount() >= CEDB_MAXRECORDS || s.nextId > kLastIdentifier) {
        SetLastError(ERROR_DISK_FULL);
        return 0;
    }
    // The record as it will be, built aside: memory changes only once the entry is on disk.
    std::vector<StoredProperty> properties = record ? record->properties : std::vector<StoredProperty>();
    for (WORD i = 0; i < cPropID; ++i) {
        const CEPROPVAL &value = rgPropVal[i];
        auto same = std::find_if(properties.begin(), properties.end(),
                                 [&](const StoredProperty &p) { return p.propid == value.propid; });
        if (value.wFlags & CEDB_PROPDELETE) {
            if (same != properties.end())
                properties.erase(same);
            continue;
        }
        StoredProperty property;
        if (!ToStoredProperty(value, property)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (same != properties.end())
            same->data = std::move(property.data);
        else
            properties.push_back(std::move(property));
    }
    if (!WritableStore(s))
        return 0;
    const CEOID id = record ? record->id : static_cast<CEOID>(s.nextId);
    ULONGLONG entryBytes = 0;
    if (!AppendEntry(s, EncodeWriteRecordPayload(database->id, id, properties), entryBytes))
        return 0;
    if (record) {
        RemoveFromIndexes(*database, record);
        database->recordBytes -= record->entryBytes;
        s.liveBytes -= record->entryBytes;
    } else {
        record = &s.records[id];
        record->id = id;
        record->database = database->id;
        s.nextId = uint64_t(id) + 1;
    }
    record->properties = std::move(properties);
    record->entryBytes = entryBytes;
    ComputeKeys(*database, *record);
    InsertIntoIndexes(*database, record);
    database->recordBytes += entryBytes;
    database->modified = Now();
    s.liveBytes += entryBytes;
    CompactIfWorthwhile(s);
    return id;
}

BOOL CeDeleteRecord(HANDLE hDatabase, CEOID oidRecord)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    OpenDatabase *open = FindHandle(hDatabase);
    Database *database = open ? DatabaseOf(*open) : nullptr;
    if (!database)
        return FALSE;
    Store &s = *store;
    Record *record = FindRecord(s, oidRecord);
    if (!record || record->database != database->id) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG entryBytes = 0;
    if (!WritableStore(s) || !AppendEntry(s, EncodeDeleteRecordPayload(database->id, oidRecord), entryBytes))
        return FALSE;
    RemoveFromIndexes(*database, record);
    database->recordBytes -= record->entryBytes;
    database->modified = Now();
    s.liveBytes -= record->entryBytes;
    s.records.erase(oidRecord);
    CompactIfWorthwhile(s);
    return TRUE;
}

BOOL CeOidGetInfo(CEOID oid, CEOIDINFO *oidInfo)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    ReleaseGuard release;
    if (!oidInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(oidInfo, 0, sizeof *oidInfo);
    Store *s = AcquireStore();
    if (!s)
        return FALSE;
    if (const Database *database = FindDatabase(*s, oid)) {
        oidInfo->wObjType = OBJTYPE_DATABASE;
        CEDBASEINFO &info = oidInfo->infDatabase;
        wcsncpy(info.szDbaseName, database->name.c_str(), CEDB_MAXDBASENAMELEN - 1);
        info.dwDbaseType = database->type;
        info.wNumRecords = static_cast<WORD>(database->RecordCount());
        info.wNumSortOrder = static_cast<WORD>(database->sortOrders.size());
        info.dwSize = static_cast<DWORD>(std::min<ULONGLONG>(database->recordBytes, 0xFFFFFFFFull));
        info.ftLastModified = database->modified;
        for (size_t i = 0; i < database->sortOrders.size(); ++i)
            info.rgSortSpecs[i] = database->sortOrders[i];
        return TRUE;
    }
    if (const Record *record = FindRecord(*s, oid)) {
        oidInfo->wObjType = OBJTYPE_RECORD;
        oidInfo->infRecord.oidParent = record->database;
        return TRUE;
    }
    oidInfo->wObjType = OBJTYPE_INVALID;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL CeCloseDatabase(HANDLE hDatabase)
{
    std::lock_guard<std::recursive_mutex> lock(storeLock);
    auto found = handles.find(hDatabase);
    if (found == handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handles.erase(found);
    ReleaseStoreIfUnused();
    return TRUE;
}
