// Opening a store: the file read whole, checked, and replayed into memory; what a crash left
// behind (a torn last entry, a rewrite that never reached its rename) cleared away.
#include "objectstore/store.h"
#include <algorithm>
#include "objectstore/sort_key.h"
#include "objectstore/tail.h"
#include "objectstore/log_format.h"
#include "objectstore/replay.h"

namespace {

constexpr size_t kStaleOrderMinRecords = 1024;
// From this size on a second thread checks the CRCs while the entries are replayed.
constexpr size_t kCheckApartFrom = 1u << 20;

// The end a reader that checks every CRC finds.
struct CrcCheck {
    const char *bytes;
    size_t size;
    size_t validLength = 0;
    bool damaged = false;

    static DWORD WINAPI Run(LPVOID data)
    {
        CrcCheck &check = *static_cast<CrcCheck *>(data);
        StoreLogReader reader(check.bytes, check.size);
        reader.ReadHeader();
        StoreLogRecord record;
        while (reader.Next(record)) {
        }
        check.validLength = reader.ValidLength();
        check.damaged = reader.Damaged();
        return 0;
    }
};

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
    const StoreScanStatus status = StoreLogReader(bytes, mappedSize_).ReadHeader();
    if (status == StoreScanStatus::Damaged) {
        SetLastError(ERROR_FILE_CORRUPT);
        return false;
    }
    if (status == StoreScanStatus::Empty) {
        const std::string cut(bytes, mappedSize_);
        if ((!cut.empty() && (!KeepCutBytes(ops_, path_, cut) || !file_.Truncate(0))) ||
            file_.Append(EncodeStoreHeader()) != AppendResult::Done)
            return false;
        model_.liveBytes = kStoreHeaderSize;
        return true;
    }
    // A large file's CRCs are checked on a second thread while this one replays its entries by
    // their framing. Where that check ends elsewhere than the replay did (damage, a torn end), the
    // model is made again from entries checked one by one, as for a small file.
    CrcCheck check{bytes, mappedSize_};
    UniqueHandle checking;
    if (mappedSize_ >= kCheckApartFrom)
        checking.reset(CreateThread(nullptr, 0, CrcCheck::Run, &check, 0, nullptr));
    size_t validLength = 0;
    bool damaged = false;
    bool replayed = ReplayEntries(!checking, validLength, damaged);
    if (checking) {
        WaitForSingleObject(checking.get(), INFINITE);
        if (!replayed || validLength != check.validLength || damaged != check.damaged) {
            const std::wstring locale = std::move(model_.locale);
            model_ = StoreModel();
            model_.locale = locale;
            replayed = ReplayEntries(true, validLength, damaged);
        }
    }
    if (!replayed || damaged) {
        SetLastError(ERROR_FILE_CORRUPT);
        return false;
    }
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
    BuildCreationOrders(model_, modified);
    BuildSortedIndexes(model_);
    model_.liveBytes = model_.CountLiveBytes();
    // Only stores this large ever had one; on Wine asking for a missing file searches the folder.
    if (model_.records.size() >= kStaleOrderMinRecords)
        DeleteFileW(StaleOrderPath(path_).c_str());
    return true;
}

bool Store::ReplayEntries(bool checkCrc, size_t &validLength, bool &damaged)
{
    // Each entry is replayed as soon as it is read: the decoded entries never pile up in memory.
    // Damage anywhere fails the open as a whole, so nothing replayed before it is ever used.
    StoreLogReader reader(mappedBytes_, mappedSize_, checkCrc);
    reader.ReadHeader();
    model_.records.reserve(std::min<size_t>(mappedSize_ / 128, 2 * CEDB_MAXRECORDS));
    StoreLogRecord framed;
    StoreScanEntry entry;
    while (reader.Next(framed)) {
        entry.offset = framed.offset;
        entry.size = framed.size;
        if (!DecodeStorePayload(framed.payload, framed.payloadSize, entry.entry, false) ||
            !ReplayEntry(model_, entry, PropertyBytes::Borrow))
            return false;
    }
    validLength = reader.ValidLength();
    damaged = reader.Damaged();
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
