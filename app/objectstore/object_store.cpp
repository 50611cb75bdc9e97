// The device's database calls over one Store per process: each call takes the lock, checks its
// arguments and hands the work to the Store (store.h) and the cursors (cursor.h). The
// store is read from its file when the first call needs it and let go again when the last
// handle closes, so the file is free for another process meanwhile.
#include "objectstore/object_store.h"
#include <cstring>
#include <memory>
#include <mutex>
#include <shlobj.h>
#include <string>
#include "objectstore/store.h"
#include "objectstore/cursor.h"
#include "objectstore/properties.h"

namespace {

struct ProcessStore {
    std::mutex lock;
    std::unique_ptr<Store> store = std::make_unique<Store>();
    std::wstring path;  // empty: StoreFilePath's
    HandleTable handles;
};

// Never destroyed: the store classes' globals close their databases from their destructors at
// exit, and globals of other files may be destroyed after these would be.
ProcessStore &process = *new ProcessStore;

using Lock = std::lock_guard<std::mutex>;

// The open store for a call, or null (error set). Reads the file at the first call that needs it.
Store *AcquireStore()
{
    Store &store = *process.store;
    if (store.IsOpen())
        return &store;
    if (!process.path.empty())
        return store.Open(process.path) ? &store : nullptr;
    WCHAR path[MAX_PATH];
    if (!StoreFilePath(path, MAX_PATH)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    return store.Open(path) ? &store : nullptr;
}

// With no handle open nothing needs the memory image: the file is closed, so the next call
// reads it afresh (and another process may use it meanwhile).
struct ReleaseGuard {
    ~ReleaseGuard()
    {
        if (process.handles.Empty())
            process.store->Close();
    }
};

// What a handle stands for; database null (error set) when the handle is not open or its
// database was deleted meanwhile.
struct HandleTarget {
    OpenDatabase *open = nullptr;
    Store *store = nullptr;
    Database *database = nullptr;
};

HandleTarget ResolveHandle(HANDLE handle)
{
    HandleTarget target;
    target.open = process.handles.Find(handle);
    if (!target.open || !(target.store = AcquireStore()))
        return target;
    target.database = target.store->FindDatabase(target.open->database);
    if (!target.database)
        SetLastError(ERROR_INVALID_HANDLE);
    return target;
}

// Makes *buffer hold at least size bytes, growing it when the flags allow.
bool ProvideBuffer(DWORD flags, DWORD size, LPBYTE *buffer, LPDWORD capacity)
{
    if (*buffer && *capacity >= size)
        return true;
    if (!(flags & CEDB_ALLOWREALLOC)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    HLOCAL grown = *buffer ? LocalReAlloc(reinterpret_cast<HLOCAL>(*buffer), size, LMEM_MOVEABLE)
                           : LocalAlloc(LMEM_FIXED, size);
    if (!grown) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    *buffer = static_cast<LPBYTE>(grown);
    *capacity = size;
    return true;
}

void FillDatabaseInfo(const Database &database, CEDBASEINFO &info)
{
    wcsncpy(info.szDbaseName, database.name.c_str(), CEDB_MAXDBASENAMELEN - 1);
    info.dwDbaseType = database.type;
    info.wNumRecords = static_cast<WORD>(database.RecordCount());
    info.wNumSortOrder = static_cast<WORD>(database.sortOrders.size());
    info.dwSize = static_cast<DWORD>(std::min<ULONGLONG>(database.recordBytes, 0xFFFFFFFFull));
    info.ftLastModified = FileTimeOf(database.modified);
    for (size_t i = 0; i < database.sortOrders.size(); ++i)
        info.rgSortSpecs[i] = database.sortOrders[i];
}

}  // namespace

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

StoreCondition QueryStoreCondition()
{
    Lock lock(process.lock);
    const Store &store = *process.store;
    if (!store.IsOpen())
        return StoreCondition::Writable;
    if (store.ChangedOutside())
        return StoreCondition::ChangedOutside;
    return store.OpenedWithoutRoom() ? StoreCondition::OpenedWithoutRoom : StoreCondition::Writable;
}

void InstallProcessStore(const StoreFileOps &ops, const std::wstring &path)
{
    Lock lock(process.lock);
    const bool wasOpen = process.store->IsOpen();
    process.store->Close();
    process.store = std::make_unique<Store>(ops);
    process.path = path;
    // The open handles go on with the same file; a failure here shows at their next call.
    if (wasOpen)
        AcquireStore();
}

HANDLE CeOpenDatabase(PCEOID poid, LPWSTR lpszName, CEPROPID propid, DWORD dwFlags, HWND hwndNotify)
{
    Lock lock(process.lock);
    ReleaseGuard release;
    if (!poid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    Store *store = AcquireStore();
    if (!store)
        return INVALID_HANDLE_VALUE;
    Database *database = lpszName ? store->FindDatabaseByName(lpszName) : store->FindDatabase(*poid);
    if (!database) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    OpenDatabase open;
    if (!database->IndexOf(propid, open.index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    open.database = database->id;
    open.flags = dwFlags;
    SetCursor(open, *database, 0);
    const HANDLE handle = process.handles.Add(open);
    if (lpszName)
        *poid = database->id;
    return handle;
}

CEOID CeCreateDatabase(LPWSTR lpszName, DWORD dwDbaseType, WORD wNumSortOrder, SORTORDERSPEC *rgSortSpecs)
{
    Lock lock(process.lock);
    ReleaseGuard release;
    if (!lpszName || wNumSortOrder > CEDB_MAXSORTORDER || (wNumSortOrder > 0 && !rgSortSpecs)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t nameLength = wcsnlen(lpszName, CEDB_MAXDBASENAMELEN);
    const std::wstring name(lpszName, nameLength);
    const std::vector<SORTORDERSPEC> sortOrders(rgSortSpecs, rgSortSpecs + wNumSortOrder);
    std::vector<StoredSortOrder> stored;
    for (const SORTORDERSPEC &order : sortOrders)
        stored.push_back(StoredSortOrder{order.propid, order.dwFlags});
    if (nameLength >= CEDB_MAXDBASENAMELEN ||
        !IsStorableDatabase(std::u16string(name.begin(), name.end()), dwDbaseType, stored)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Store *store = AcquireStore();
    return store ? store->CreateDatabase(name, dwDbaseType, sortOrders) : 0;
}

BOOL CeDeleteDatabase(CEOID oidDbase)
{
    Lock lock(process.lock);
    ReleaseGuard release;
    Store *store = AcquireStore();
    if (!store)
        return FALSE;
    if (!store->FindDatabase(oidDbase)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (process.handles.IsDatabaseOpen(oidDbase)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return store->DeleteDatabase(oidDbase);
}

CEOID CeSeekDatabase(HANDLE hDatabase, DWORD dwSeekType, DWORD_PTR dwValue, LPDWORD lpdwIndex)
{
    Lock lock(process.lock);
    const HandleTarget target = ResolveHandle(hDatabase);
    if (!target.database)
        return 0;
    const size_t position = SeekPosition(*target.open, target.store->Model(), *target.database, dwSeekType, dwValue);
    // A failed seek leaves the cursor at the end, so a following read finds nothing.
    SetCursor(*target.open, *target.database, position);
    if (position >= target.database->RecordCount())
        return 0;
    if (lpdwIndex)
        *lpdwIndex = static_cast<DWORD>(position);
    return target.open->cursorRecord;
}

CEOID CeReadRecordProps(HANDLE hDbase, DWORD dwFlags, LPWORD lpcPropID, CEPROPID *rgPropID, LPBYTE *lplpBuffer,
                        LPDWORD lpcbBuffer)
{
    Lock lock(process.lock);
    const HandleTarget target = ResolveHandle(hDbase);
    if (!target.database)
        return 0;
    if (!lpcPropID || !lplpBuffer || !lpcbBuffer || (rgPropID && *lpcPropID == 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    OpenDatabase &open = *target.open;
    const size_t position = CursorPosition(open, target.store->Model(), *target.database);
    const std::vector<Record *> &order = target.database->indexes[open.index].order;
    if (position >= order.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return 0;
    }
    const Record &record = *order[position];
    const PropertySelection selection = SelectProperties(record.properties, rgPropID, *lpcPropID);
    const unsigned long long needed = ValueBufferSize(selection);
    if (needed > 0xFFFFFFF0ull) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!ProvideBuffer(dwFlags, static_cast<DWORD>(needed ? needed : 1), lplpBuffer, lpcbBuffer))
        return 0;
    FillValueBuffer(selection, *lplpBuffer);
    if (!rgPropID)
        *lpcPropID = static_cast<WORD>(selection.size());
    if (open.flags & CEDB_AUTOINCREMENT)
        SetCursor(open, *target.database, position + 1);
    return record.id;
}

CEOID CeWriteRecordProps(HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL *rgPropVal)
{
    Lock lock(process.lock);
    const HandleTarget target = ResolveHandle(hDbase);
    if (!target.database)
        return 0;
    if (cPropID == 0 || !rgPropVal) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Store &store = *target.store;
    const Record *record = nullptr;
    if (oidRecord != 0) {
        record = store.FindRecordIn(*target.database, oidRecord);
        if (!record) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else if (!store.HasRoomForRecord(*target.database)) {
        return 0;
    }
    // The record as it will be, built aside: memory changes only once the entry is on disk.
    std::vector<StoredProperty> properties = record ? record->properties.Unpack() : std::vector<StoredProperty>();
    if (!MergeProperties(properties, rgPropVal, cPropID)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return store.WriteRecord(*target.database, oidRecord, properties);
}

BOOL CeDeleteRecord(HANDLE hDatabase, CEOID oidRecord)
{
    Lock lock(process.lock);
    const HandleTarget target = ResolveHandle(hDatabase);
    return target.database && target.store->DeleteRecord(*target.database, oidRecord);
}

BOOL CeOidGetInfo(CEOID oid, CEOIDINFO *oidInfo)
{
    Lock lock(process.lock);
    ReleaseGuard release;
    if (!oidInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(oidInfo, 0, sizeof *oidInfo);
    Store *store = AcquireStore();
    if (!store)
        return FALSE;
    if (const Database *database = store->Model().FindDatabase(oid)) {
        oidInfo->wObjType = OBJTYPE_DATABASE;
        FillDatabaseInfo(*database, oidInfo->infDatabase);
        return TRUE;
    }
    if (const Record *record = store->Model().FindRecord(oid)) {
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
    Lock lock(process.lock);
    if (!process.handles.Remove(hDatabase))
        return FALSE;
    if (process.handles.Empty())
        process.store->Close();
    return TRUE;
}
