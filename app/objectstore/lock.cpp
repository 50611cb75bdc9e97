#include "objectstore/lock.h"
#include "common/private_security.h"

namespace {

// One byte far beyond any real file end: the lock never stands in the way of reading the
// lock file, and it is the range every Zifferbox process agrees on.
constexpr DWORD kLockOffsetHigh = 0x100;  // 2^40
constexpr DWORD kLockLength = 1;

OVERLAPPED LockRange()
{
    OVERLAPPED range = {};
    range.OffsetHigh = kLockOffsetHigh;
    return range;
}

}  // namespace

std::wstring StoreLockPath(const std::wstring &storePath) { return storePath + L".lock"; }

bool StoreLock::Acquire(const std::wstring &storePath)
{
    Release();
    // Every opener must be able to open the lock file: sharing is the byte lock's job here.
    HANDLE file = CreateFileW(StoreLockPath(storePath).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              PrivateAttributes(PrivateKind::File), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED range = LockRange();
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockLength, 0, &range)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? ERROR_SHARING_VIOLATION : error);
        return false;
    }
    file_ = file;
    return true;
}

void StoreLock::Release()
{
    if (file_ == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED range = LockRange();
    UnlockFileEx(file_, 0, kLockLength, 0, &range);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}
