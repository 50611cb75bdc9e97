#include "store_writing.h"
#include <windows.h>
#include <algorithm>
#include "console.h"
#include "file_access.h"
#include "objectstore/lock.h"
#include "objectstore/object_store.h"
#include "objectstore/store.h"
#include "objectstore/tail.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "store_contents.h"
#include "store_reading.h"

namespace {

BOOL NoFlush(HANDLE) { return TRUE; }
BOOL NoFolderFlush(const WCHAR *) { return TRUE; }

// The copy is flushed once at the end instead of after every entry; it becomes the store only
// after that flush. No other program knows it meanwhile.
StoreFileOps CopyOps()
{
    StoreFileOps ops = RealStoreFileOps();
    ops.flushFile = NoFlush;
    ops.flushFolder = NoFolderFlush;
    ops.privateCopy = true;
    return ops;
}

void RemoveCopy(const std::wstring &copy)
{
    DeleteFileW(copy.c_str());
    DeleteFileW(StoreLockPath(copy).c_str());
    DeleteFileW((copy + L".new").c_str());
}

// The dry run's copy: a fresh file in the temporary folder. One beside the store would move the
// folder's last write time, which makes a running Zifferbox check its store again. Empty, with
// the Win32 error set, when none can be made.
std::wstring TemporaryCopyPath()
{
    WCHAR folder[MAX_PATH + 1], path[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"zbs", 0, path))
        return std::wstring();
    return path;
}

// Edits the store file at copy through the program's store classes.
CopyEdit EditCopy(const std::wstring &copy, const StoreModel &model, const StoreEdit &edit, StoreChange &change,
                  size_t &objectsBefore)
{
    InstallProcessStore(CopyOps(), copy);
    ObjectDatabase objects;
    CategoryDatabase categories;
    if (objects.openOrCreate(kObjectDatabaseName) || categories.openOrCreate(kCategoryDatabaseName))
        return CopyEdit::Failed;
    objectsBefore = static_cast<size_t>(std::max(objects.objectCount(), 0));
    return edit.write(model, objects, categories, change);
}

// The copy opens as a sound store holding what was meant: the objects before and those written.
// The count needs no sorted index.
bool CopyHolds(const std::wstring &copy, size_t objects)
{
    StoreModel model;
    if (!ReplaySoundStoreFile(copy, model) || ObjectCountOf(model) != objects) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

}  // namespace

bool WriteObjectRows(ObjectDatabase &objects, CategoryDatabase &categories, const std::vector<ObjectRow> &rows,
                     StoreChange &change)
{
    const int before = objects.objectCount();
    if (before < 0 || before + rows.size() > CEDB_MAXRECORDS) {
        PrintError("Fehler: der Speicher fasst höchstens " + std::to_string(CEDB_MAXRECORDS) + " Objekte; er hat " +
                   std::to_string(before) + ", dazu kämen " + std::to_string(rows.size()) +
                   ". Der Speicher bleibt unverändert.\n");
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    Progress progress("Geschrieben", rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ObjectRow &row = rows[i];
        std::wstring category(row.category.begin(), row.category.end());
        if (IsReservedFilterText(category.c_str()))
            category.clear();
        if (!category.empty() && categories.findCategory(category.c_str()) == 0) {
            if (categories.addCategory(category.c_str()) == 0)
                return false;
            ++change.newCategories;
        }
        const std::wstring name(row.name.begin(), row.name.end()), serial(row.serialNumber.begin(), row.serialNumber.end()),
            remark(row.remark.begin(), row.remark.end());
        if (objects.writeNewObject(name.c_str(), serial.c_str(), remark.c_str(), category.c_str()) == 0)
            return false;
        ++change.objects;
        progress.Step(i + 1);
    }
    return true;
}

int EditStoreThroughCopy(const Options &options, const StoreEdit &edit, StoreChange &change, bool &changed)
{
    changed = false;
    // One writer at a time: Zifferbox holds this lock while it runs. A dry run writes nothing
    // of the store's, so it goes on beside Zifferbox, on the entries written so far.
    StoreLock lock;
    if (!options.dryRun)
        if (const int refused = LockStore(options, lock, edit.thenDo))
            return refused;
    std::string storeBytes;
    StoreReading reading;
    if (FileExists(options.store)) {
        if (const int failed = LoadSoundStore(options, reading, edit.refused, &storeBytes))
            return failed;
        // Whole entries only: Zifferbox may be appending one meanwhile.
        storeBytes.resize(reading.header == StoreScanStatus::Valid ? reading.validLength : 0);
    }

    const std::wstring copy = options.dryRun ? TemporaryCopyPath() : options.store + L".import";
    if (copy.empty()) {
        PrintError("Fehler: der Probelauf kann keine Kopie im temporären Ordner anlegen: " +
                   SystemMessage(GetLastError()) + "\n");
        return kExitInvalid;
    }
    if (!options.dryRun)
        RemoveCopy(copy);  // what a killed run left
    size_t objectsBefore = 0;
    CopyEdit edited = CopyEdit::Failed;
    if (WriteFileAtomically(copy, storeBytes, true))
        edited = EditCopy(copy, reading.model, edit, change, objectsBefore);
    // The store classes let go of the copy here; it is whole once flushed.
    InstallProcessStore(RealStoreFileOps());
    bool done = edited != CopyEdit::Failed;
    if (done && edited == CopyEdit::Changed) {
        done = (options.dryRun || FlushFileAt(copy)) && CopyHolds(copy, objectsBefore + change.objects);
        if (done && !options.dryRun) {
            std::string original;
            ReadStoreBytes(options.store, original);
            // What the program would cut off the store's end at its next start is kept beside it.
            done = KeepCutBytes(RealStoreFileOps(), options.store,
                                original.substr(std::min(original.size(), storeBytes.size()))) &&
                   MoveFileExW(copy.c_str(), options.store.c_str(), MOVEFILE_REPLACE_EXISTING);
            if (done) {
                FlushFolderOf(options.store);
                DeleteFileW(StaleOrderPath(options.store).c_str());
            }
        }
    }
    const DWORD error = GetLastError();
    RemoveCopy(copy);
    if (!done) {
        if (error != ERROR_DISK_FULL)
            PrintError("Fehler: das Schreiben schlug fehl (" +
                       (error == ERROR_INVALID_DATA ? std::string("die Prüfung der Kopie schlug fehl") : SystemMessage(error)) +
                       "). Der Speicher ist unverändert.\n");
        return kExitInvalid;
    }
    changed = edited == CopyEdit::Changed;
    return kExitDone;
}
