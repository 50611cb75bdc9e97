// Opening a store: the file read whole, checked, and replayed into memory; what a crash left
// behind (a torn last entry, a rewrite that never reached its rename) cleared away.
#include "platform/store.h"
#include "platform/store_tail.h"
#include "platform/store_log_format.h"
#include "platform/store_replay.h"

Store::Store(const StoreFileOps &ops) : ops_(ops), file_(ops_) {}

bool Store::Open(const std::wstring &path)
{
    Close();
    path_ = path;
    if (Load()) {
        open_ = true;
        return true;
    }
    const DWORD error = GetLastError();
    Close();
    SetLastError(error);
    return false;
}

void Store::Close()
{
    file_.Close();
    lock_.Release();
    model_ = StoreModel();
    open_ = failed_ = false;
}

bool Store::Load()
{
    // Only one process writes the store: a second opener fails at the lock, as with a held
    // file. Opening first creates the folder; it changes nothing in an existing file.
    if (!file_.Open(path_) || !lock_.Acquire(path_))
        return false;
    // A rewrite that never reached its rename; the file itself is whole.
    DeleteFileW((path_ + L".new").c_str());

    std::string bytes;
    if (!file_.ReadAll(bytes))
        return false;
    StoreScanResult scan = ScanStoreLog(bytes.data(), bytes.size());
    if (scan.status == StoreScanStatus::Damaged) {
        SetLastError(ERROR_FILE_CORRUPT);
        return false;
    }
    if (scan.status == StoreScanStatus::Empty) {
        if ((file_.Size() > 0 && (!KeepCutBytes(ops_, path_, bytes) || !file_.Truncate(0))) ||
            file_.Append(EncodeStoreHeader()) != AppendResult::Done)
            return false;
        model_.liveBytes = kStoreHeaderSize;
        return true;
    }
    model_.records.reserve(scan.entries.size());
    for (StoreScanEntry &entry : scan.entries) {
        if (!ReplayEntry(model_, entry)) {
            SetLastError(ERROR_FILE_CORRUPT);
            return false;
        }
    }
    // What a crash left of the last entry goes, so the next entry follows whole ones; its bytes
    // are kept beside the store first.
    if (scan.validLength < file_.Size() &&
        (!KeepCutBytes(ops_, path_, bytes.substr(scan.validLength)) || !file_.Truncate(scan.validLength)))
        return false;
    FILETIME modified = {};
    file_.LastWriteTime(modified);
    FinishReplay(model_, modified);
    return true;
}

bool Store::HasRoomForRecord(const Database &database) const
{
    if (database.RecordCount() >= CEDB_MAXRECORDS || model_.nextId > kLastIdentifier) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}
