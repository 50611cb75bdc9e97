// Opening a store: the file read whole, checked, and replayed into memory; what a crash left
// behind (a torn last entry, a rewrite that never reached its rename) cleared away.
#include "objectstore/store.h"
#include <algorithm>
#include "objectstore/collation.h"
#include "objectstore/tail.h"
#include "objectstore/log_format.h"
#include "objectstore/replay.h"

namespace {

constexpr size_t kStaleOrderMinRecords = 1024;
// From this size on a second thread checks the CRCs while the entries are replayed.
constexpr size_t kCheckApartFrom = 1u << 20;

}  // namespace

std::wstring StaleOrderPath(const std::wstring &storePath) { return storePath + L".order"; }

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
    model_ = StoreModel();
    file_.Close();
    mappedBytes_ = nullptr;
    mappedSize_ = 0;
    image_ = std::string();
    lock_.Release();
    open_ = failed_ = changedOutside_ = withoutRoom_ = false;
}

bool Store::Load()
{
    // Only one process writes the store: a second opener fails at the lock, as with a held
    // file. Opening first creates the folder; it changes nothing in an existing file.
    if (!file_.Open(path_) || !lock_.Acquire(path_))
        return false;
    // A rewrite that never reached its rename; the file itself is whole.
    DeleteFileW((path_ + L".new").c_str());

    // Every sort key of this open comes from the collation of the locale as it is now.
    model_.locale = UserLocaleName();
    // The records keep their properties where they lie in the mapped file.
    if (!MapFile())
        return false;
    const char *bytes = mappedBytes_;
    // Damage anywhere fails the open as a whole, so nothing replayed before it is ever used.
    const StoreReadResult read = ReplayStoreFile(bytes, mappedSize_, model_, mappedSize_ >= kCheckApartFrom);
    if (read.status == StoreScanStatus::Damaged) {
        SetLastError(ERROR_FILE_CORRUPT);
        return false;
    }
    if (read.status == StoreScanStatus::Empty) {
        const std::string cut(bytes, mappedSize_);
        if ((!cut.empty() && (!KeepCutBytes(ops_, path_, cut) || !file_.Truncate(0))) ||
            file_.Append(EncodeStoreHeader()) != AppendResult::Done)
            return false;
        model_.liveBytes = kStoreHeaderSize;
        return true;
    }
    const size_t validLength = read.validLength;
    // What a crash left of the last entry goes, so the next entry follows whole ones; its bytes
    // are kept beside the store first.
    // When the disk has no room for them, the store opens as it is, for reading only: nothing
    // unconfirmed is destroyed without a copy, and the user still sees every object.
    const std::string cut(bytes + validLength, mappedSize_ - validLength);
    if (!cut.empty()) {
        if (!KeepCutBytes(ops_, path_, cut)) {
            withoutRoom_ = true;
        } else {
            const bool truncated = file_.Truncate(validLength);
            FollowMappedBytes();
            if (!truncated)
                return false;
        }
    }
    FILETIME modified = {};
    file_.LastWriteTime(modified);
    FinishReplay(model_, FileTimeTicks(modified));
    // Only stores this large ever had one; on Wine asking for a missing file searches the folder.
    if (model_.records.size() >= kStaleOrderMinRecords)
        DeleteFileW(StaleOrderPath(path_).c_str());
    return true;
}

bool Store::MapFile()
{
    if (!file_.Map())
        return false;
    mappedBytes_ = file_.MappedBytes();
    mappedSize_ = file_.MappedSize();
    return true;
}

void Store::FollowMappedBytes()
{
    const char *const now = file_.MappedBytes();
    if (now == mappedBytes_)
        return;
    const char *const old = mappedBytes_;
    for (auto &entry : model_.records) {
        PackedProperties &properties = entry.second.properties;
        if (properties.IsBorrowed() && properties.data() >= old && properties.data() < old + mappedSize_)
            properties.MoveTo(now + (properties.data() - old));
    }
    mappedBytes_ = now;
    mappedSize_ = file_.MappedSize();
}

bool Store::HasRoomForRecord(const Database &database) const
{
    if (database.RecordCount() >= CEDB_MAXRECORDS || model_.nextId > kLastIdentifier) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}
