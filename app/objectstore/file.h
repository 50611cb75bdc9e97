// File access of the object store: the store file held open without sharing for writing,
// durable appends that leave nothing behind when they fail, and write-new-then-rename for
// compaction. Every write, flush, truncation, rename and folder flush goes through the
// StoreFileOps given to it, so a test can make any of them fail.
#pragma once
#include <windows.h>
#include <string>
#include "common/unique_handles.h"

struct StoreFileOps {
    BOOL (*writeFile)(HANDLE file, const void *data, DWORD size, DWORD *written);
    BOOL (*flushFile)(HANDLE file);
    BOOL (*truncateFile)(HANDLE file, ULONGLONG size);
    // Moves from over to, replacing it.
    BOOL (*renameFile)(const WCHAR *from, const WCHAR *to);
    // Makes a rename in the folder durable; failure is ignored where folders can't be flushed.
    BOOL (*flushFolder)(const WCHAR *folder);
    // A file no other program knows of (zbstore's import copy): a bulk of writes into it skips
    // the check that the file is still the store's own, a few system calls each.
    bool privateCopy = false;
};

// The real calls.
const StoreFileOps &RealStoreFileOps();

enum class AppendResult {
    Done,          // on disk
    Failed,        // not written: the file reads as before the call
    FailedDirty,   // not written, and the file could not be put back: stop writing
};

// A read-only view of a whole file: its bytes without copying them into the heap, which for a
// full store costs more than reading and checking them.
// Another program may cut the file short under the view (a Linux process is not held off by
// our share modes); a read past the new end then faults. A process-wide exception handler puts
// zero pages where such a view was, so the read goes on and finds zeros, and marks the view
// lost: its bytes are no longer the file's, and the store writes nothing more.
class StoreFileView {
public:
    StoreFileView() = default;
    ~StoreFileView() { Release(); }
    StoreFileView(const StoreFileView &) = delete;
    StoreFileView &operator=(const StoreFileView &) = delete;

    const char *data() const { return static_cast<const char *>(base_); }
    size_t size() const { return size_; }
    bool Lost() const { return lost_ != 0; }
    // Maps size bytes of file; an empty file gives an empty view. False with the Win32 error set.
    bool Map(HANDLE file, ULONGLONG size);
    void Release();
    // Called by the exception handler for a fault at address; true when it lay in this view and
    // zero pages now stand in its place.
    bool ReplaceWithZerosAt(ULONG_PTR address);

private:
    UniqueHandle mapping_;
    void *base_ = nullptr;
    size_t size_ = 0;
    volatile LONG lost_ = 0;  // base_ is then a zeroed allocation, not a view
};

// The store file, opened for reading and writing with reading shared only, so a second
// process (or a second open) can't write it.
class StoreFile {
public:
    explicit StoreFile(const StoreFileOps &ops) : ops_(ops) {}
    ~StoreFile() { Close(); }
    StoreFile(const StoreFile &) = delete;
    StoreFile &operator=(const StoreFile &) = delete;

    // Opens or creates the file (and its folder); a new one is the user's alone. False with the
    // Win32 error set.
    bool Open(const std::wstring &path);
    void Close();
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    ULONGLONG Size() const { return size_; }
    // True while the file at the path it was opened at is still the one it holds, as its own
    // last write left it: the same file, size and last write time, and its view not lost. When
    // another program replaced or changed it, nothing may be written into it any more.
    // Compaction asks for the whole check: the path is then opened in any case.
    bool IsUnchanged(bool whole = false);
    // Another program cut the file short under its view (see StoreFileView).
    bool ViewLost() const { return view_.Lost(); }
    // Maps the file as it is now (reads it, when small). Its bytes stay readable until Close at
    // MappedBytes(), which moves when a cut has to let the view go and make it again (a mapped
    // file can't be cut); when the view can't be made again, a copy in memory takes its place.
    bool Map();
    const char *MappedBytes() const { return view_.data() ? view_.data() : heldBytes_.data(); }
    size_t MappedSize() const { return view_.data() ? view_.size() : heldBytes_.size(); }
    // Appends and flushes; on failure cuts the file back to its old length.
    AppendResult Append(const std::string &bytes);
    // Cuts the file to size and flushes.
    bool Truncate(ULONGLONG size);
    bool LastWriteTime(FILETIME &time) const;

private:
    // Notes the file's last write time after its opening and each own change.
    void NoteStamp();

    static constexpr ULONGLONG kMapFilesFrom = 1u << 20;

    // Cuts the file through the operations, with the view let go meanwhile.
    bool CutTo(ULONGLONG size);

    StoreFileOps ops_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::wstring path_;
    ULONGLONG size_ = 0;
    LONGLONG fileIndex_ = -1;   // which file it is, on its volume
    FILETIME lastWrite_ = {};   // as its own last change left it
    // The folder's last write time when the path was last found to name this file: another file
    // can take the path only by a change of the folder's names, which moves that time.
    FILETIME folderWrite_ = {};
    bool folderChecked_ = false;
    StoreFileView view_;
    std::string heldBytes_;  // the mapped bytes while the view is gone
};

// Creates the store's folder when it is missing (with the folders above it), for the user alone.
// An existing folder keeps its security, even one that lets others in: it may be shared on purpose.
void CreateStoreFolder(const std::wstring &storePath);
// Reads the first size bytes of an open file. False with the Win32 error set.
bool ReadFileBytes(HANDLE file, size_t size, std::string &bytes);
// Writes bytes as a whole new file at path, the user's alone (replacing one that is there), and
// flushes it.
bool WriteStoreFileCopy(const StoreFileOps &ops, const std::wstring &path, const std::string &bytes);
// Moves from over to and flushes the folder, so the rename survives a crash.
bool ReplaceStoreFile(const StoreFileOps &ops, const std::wstring &from, const std::wstring &to);
