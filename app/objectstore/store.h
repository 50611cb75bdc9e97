// One object store file opened as a whole: read and replayed into memory at Open; each change
// appended and flushed as one entry before memory changes; rewritten with only its live state
// when dead entries outweigh live ones. Knows no handles or cursors (the Ce* calls put those on
// top) and no environment: it opens whatever path it is given, so a test or a tool can open any
// store file, on file operations of its own choosing.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "objectstore/file.h"
#include "objectstore/lock.h"
#include "objectstore/model.h"

// The bytes of a store file holding exactly the model's databases and records: what compaction
// writes, and what a rescued store is made of. When asked for: where each record's entry
// begins in it, and the size of each database's entry.
std::string EncodeStoreImage(StoreModel &model, std::vector<std::pair<Record *, size_t>> *recordOffsets = nullptr,
                             std::vector<std::pair<Database *, ULONGLONG>> *databaseSizes = nullptr);

// The model keeps times as a FILETIME's 100-ns ticks in one number.
inline uint64_t FileTimeTicks(const FILETIME &time)
{
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
inline FILETIME FileTimeOf(uint64_t ticks)
{
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Earlier versions kept the sorted order of a large store beside it in this file. Nothing reads
// it any more: an open of a large store and whatever replaces a store file remove it.
std::wstring StaleOrderPath(const std::wstring &storePath);

class Store {
public:
    explicit Store(const StoreFileOps &ops = RealStoreFileOps());
    ~Store() { Close(); }
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Opens the file at path (made with its folder when missing), takes the one-writer lock and
    // reads the file. False with the Win32 error set when it can't be opened, another process
    // has it (ERROR_SHARING_VIOLATION) or it is damaged (ERROR_FILE_CORRUPT); a damaged file is
    // left exactly as it is. A torn last entry is cut off.
    bool Open(const std::wstring &path);
    // Lets go of the file and the lock and forgets the memory image.
    void Close();
    bool IsOpen() const { return open_; }
    const std::wstring &Path() const { return path_; }

    // What the file holds, as of the last acknowledged change.
    const StoreModel &Model() const { return model_; }
    Database *FindDatabase(CEOID id) { return model_.FindDatabase(id); }
    Database *FindDatabaseByName(const std::wstring &name) { return model_.FindDatabaseByName(name); }
    Record *FindRecordIn(const Database &database, CEOID id) { return model_.FindRecordIn(database, id); }
    // False (ERROR_DISK_FULL) when the database or the identifiers leave no room for a record.
    bool HasRoomForRecord(const Database &database) const;

    // Why changes are refused, if they are.
    bool ChangedOutside() const { return changedOutside_ || file_.ViewLost(); }
    bool OpenedWithoutRoom() const { return withoutRoom_; }

    // The changes. Each is on disk when it reports success and changes nothing when it fails;
    // 0 or false with the Win32 error set. After a write that could not be taken back every
    // later change fails (ERROR_WRITE_FAULT) until the store is opened again. Before each, the
    // file at the path must still be the one the store holds, as it left it: once another
    // program replaced or changed it, every change fails (ERROR_FILE_INVALID) and nothing is
    // written into that file.
    CEOID CreateDatabase(const std::wstring &name, DWORD type, const std::vector<SORTORDERSPEC> &sortOrders);
    bool DeleteDatabase(CEOID id);
    // record 0 makes a new record; properties are the record's complete set after the write.
    CEOID WriteRecord(Database &database, CEOID record, const std::vector<StoredProperty> &properties);
    bool DeleteRecord(Database &database, CEOID record);

private:
    bool Load();
    bool Writable();
    bool AppendEntry(const std::string &payload, ULONGLONG &entryBytes);
    // Maps the file and notes where; then, after a cut, points the records at the bytes anew.
    bool MapFile();
    void FollowMappedBytes();
    void CompactIfWorthwhile();

    StoreFileOps ops_;
    StoreLock lock_;  // held from Open to Close, compaction included
    StoreFile file_;
    std::wstring path_;
    // The records' properties lie in the mapped file (those written since, in blocks of their
    // own); in the image of a compaction while the file is replaced, or when it couldn't be.
    const char *mappedBytes_ = nullptr;  // where the records last found the mapped file
    size_t mappedSize_ = 0;
    std::string image_;
    StoreModel model_;
    bool open_ = false;    // read; the file itself stays closed after a failed compaction
    bool failed_ = false;  // the file could not be put back after a failed write
    bool changedOutside_ = false;  // the file is no longer as the store left it
    bool withoutRoom_ = false;     // opened with a torn end that could not be kept aside
};
