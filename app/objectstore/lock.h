// The one-writer lock of the object store: held for as long as a process has the store open.
// Share modes keep a second opener out only among the processes of one wineserver, so a
// program in another Wine prefix (or on another machine over a share) would open the store
// too and append to it. A byte-range lock is seen by every process: Wine turns LockFileEx into
// a POSIX lock on the file, and Windows honours it across processes and network shares.
#pragma once
#include <windows.h>
#include <string>

class StoreLock {
public:
    StoreLock() = default;
    ~StoreLock() { Release(); }
    StoreLock(const StoreLock &) = delete;
    StoreLock &operator=(const StoreLock &) = delete;

    // Takes the lock of the store at storePath without waiting. False with the Win32 error set:
    // ERROR_SHARING_VIOLATION when another process holds it.
    bool Acquire(const std::wstring &storePath);
    void Release();
    bool IsHeld() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The file that carries the lock: beside the store, never replaced (compaction renames a new
// file over the store itself, which would drop a lock held on the store file).
std::wstring StoreLockPath(const std::wstring &storePath);
