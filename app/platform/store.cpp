// Opening a store: the file read whole, checked, and replayed into memory; what a crash left
// behind (a torn last entry, a rewrite that never reached its rename) cleared away.
#include "platform/store.h"
#include <algorithm>
#include "platform/store_order_cache.h"
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
    // The indexes are kept for the next open once the writes are over. Closing happens after
    // calls whose error the caller is still to read.
    if (open_ && !failed_ && file_.IsOpen() && !orderCached_) {
        const DWORD error = GetLastError();
        SaveOrderCache(path_, digest_, collation_, model_, orderCacheFound_);
        SetLastError(error);
    }
    model_ = StoreModel();
    file_.Close();
    mappedBytes_ = nullptr;
    mappedSize_ = 0;
    image_ = std::string();
    lock_.Release();
    open_ = failed_ = orderCached_ = orderCacheFound_ = false;
    digest_ = 0;
}

bool Store::Load()
{
    // Only one process writes the store: a second opener fails at the lock, as with a held
    // file. Opening first creates the folder; it changes nothing in an existing file.
    if (!file_.Open(path_) || !lock_.Acquire(path_))
        return false;
    // A rewrite that never reached its rename; the file itself is whole.
    DeleteFileW((path_ + L".new").c_str());

    // The records keep their properties where they lie in the mapped file.
    if (!MapFile())
        return false;
    const char *bytes = mappedBytes_;
    // Each entry is replayed as soon as it is read: the decoded entries never pile up in memory.
    // Damage anywhere fails the open as a whole, so nothing replayed before it is ever used.
    StoreLogReader reader(bytes, mappedSize_);
    const StoreScanStatus status = reader.ReadHeader();
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
        digest_ = StoreDigest(0, EncodeStoreHeader().data(), kStoreHeaderSize);
        return true;
    }
    model_.records.reserve(std::min<size_t>(mappedSize_ / 128, 2 * CEDB_MAXRECORDS));
    digest_ = StoreDigest(0, bytes, kStoreHeaderSize);
    StoreLogRecord framed;
    StoreScanEntry entry;
    while (reader.Next(framed)) {
        digest_ = StoreDigest(digest_, bytes + framed.offset, framed.size);
        entry.offset = framed.offset;
        entry.size = framed.size;
        if (!DecodeStorePayload(framed.payload, framed.payloadSize, entry.entry, false) ||
            !ReplayEntry(model_, entry, PropertyBytes::Borrow)) {
            SetLastError(ERROR_FILE_CORRUPT);
            return false;
        }
    }
    if (reader.Damaged()) {
        SetLastError(ERROR_FILE_CORRUPT);
        return false;
    }
    const size_t validLength = reader.ValidLength();
    // What a crash left of the last entry goes, so the next entry follows whole ones; its bytes
    // are kept beside the store first.
    const std::string cut(bytes + validLength, mappedSize_ - validLength);
    if (!cut.empty()) {
        const bool kept = KeepCutBytes(ops_, path_, cut) && file_.Truncate(validLength);
        FollowMappedBytes();
        if (!kept)
            return false;
    }
    FILETIME modified = {};
    file_.LastWriteTime(modified);
    BuildCreationOrders(model_, modified);
    collation_ = CollationFingerprint();
    orderCached_ = LoadOrderCache(path_, digest_, collation_, model_, orderCacheFound_);
    if (!orderCached_)
        BuildSortedIndexes(model_);
    model_.liveBytes = model_.CountLiveBytes();
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
