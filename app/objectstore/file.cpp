#include "objectstore/file.h"
#include "common/private_security.h"
#include "common/program_folder.h"
#include "common/unique_handles.h"
#include <shlobj.h>
#include <winternl.h>
#include <vector>

namespace {

BOOL RealWrite(HANDLE file, const void *data, DWORD size, DWORD *written)
{
    return WriteFile(file, data, size, written, nullptr);
}

BOOL RealFlush(HANDLE file) { return FlushFileBuffers(file); }

BOOL RealTruncate(HANDLE file, ULONGLONG size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

BOOL RealRename(const WCHAR *from, const WCHAR *to)
{
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Wine's MoveFileEx is a plain rename: the folder itself must reach the disk for the new name
// to survive a crash. Folders open only with backup semantics.
BOOL RealFlushFolder(const WCHAR *folder)
{
    HANDLE handle = CreateFileW(folder, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FALSE;
    const BOOL flushed = FlushFileBuffers(handle);
    CloseHandle(handle);
    return flushed;
}

const StoreFileOps kRealOps = {RealWrite, RealFlush, RealTruncate, RealRename, RealFlushFolder};

bool WriteAll(const StoreFileOps &ops, HANDLE file, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t left = bytes.size() - done;
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!ops.writeFile(file, bytes.data() + done, chunk, &written) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The mapped views of this process, for the exception handler. Views come and go on the
// store's thread; the handler runs on whichever thread faulted.
SRWLOCK viewsLock = SRWLOCK_INIT;
std::vector<StoreFileView *> &LiveViews()
{
    static std::vector<StoreFileView *> &views = *new std::vector<StoreFileView *>;
    return views;
}

LONG CALLBACK OnViewFault(EXCEPTION_POINTERS *pointers)
{
    const EXCEPTION_RECORD &record = *pointers->ExceptionRecord;
    if ((record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION && record.ExceptionCode != EXCEPTION_IN_PAGE_ERROR) ||
        record.NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    bool replaced = false;
    AcquireSRWLockShared(&viewsLock);
    for (StoreFileView *view : LiveViews())
        if ((replaced = view->ReplaceWithZerosAt(record.ExceptionInformation[1])))
            break;
    ReleaseSRWLockShared(&viewsLock);
    return replaced ? EXCEPTION_CONTINUE_EXECUTION : EXCEPTION_CONTINUE_SEARCH;
}

BOOL CALLBACK AddFaultHandler(PINIT_ONCE, PVOID, PVOID *)
{
    return AddVectoredExceptionHandler(1, OnViewFault) != nullptr;
}

void RegisterView(StoreFileView *view)
{
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, AddFaultHandler, nullptr, nullptr);
    AcquireSRWLockExclusive(&viewsLock);
    LiveViews().push_back(view);
    ReleaseSRWLockExclusive(&viewsLock);
}

void UnregisterView(StoreFileView *view)
{
    AcquireSRWLockExclusive(&viewsLock);
    std::vector<StoreFileView *> &views = LiveViews();
    for (size_t i = 0; i < views.size(); ++i)
        if (views[i] == view) {
            views.erase(views.begin() + i);
            break;
        }
    ReleaseSRWLockExclusive(&viewsLock);
}

// The file's index on its volume. Asked of the system directly: under Wine the Win32 calls that
// tell it also read the volume's information, which made each checked write a millisecond slower.
LONGLONG FileIndexOf(HANDLE file)
{
    IO_STATUS_BLOCK status;
    FILE_INTERNAL_INFORMATION info;
    if (NtQueryInformationFile(file, &status, &info, sizeof info, FileInternalInformation) != 0)
        return -1;
    return info.IndexNumber.QuadPart;
}

}  // namespace

const StoreFileOps &RealStoreFileOps() { return kRealOps; }

void CreateStoreFolder(const std::wstring &storePath)
{
    const std::wstring folder = FolderOf(storePath);
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    // SHCreateDirectoryExW takes only full paths; the variable may name a relative one.
    WCHAR full[MAX_PATH];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH)
        SHCreateDirectoryExW(nullptr, full, PrivateAttributes(PrivateKind::Folder));
}

bool StoreFile::Open(const std::wstring &path)
{
    Close();
    CreateStoreFolder(path);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              PrivateAttributes(PrivateKind::File), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        return false;
    }
    file_ = file;
    path_ = path;
    size_ = static_cast<ULONGLONG>(size.QuadPart);
    fileIndex_ = FileIndexOf(file_);
    NoteStamp();
    if (created)
        ops_.flushFolder(FolderOf(path).c_str());
    return true;
}

void StoreFile::NoteStamp()
{
    if (!GetFileTime(file_, nullptr, nullptr, &lastWrite_))
        lastWrite_ = FILETIME();
}

bool StoreFile::IsUnchanged(bool whole)
{
    LARGE_INTEGER size;
    FILETIME lastWrite;
    if (file_ != INVALID_HANDLE_VALUE && ops_.privateCopy)
        return true;
    if (file_ == INVALID_HANDLE_VALUE || view_.Lost() || !GetFileSizeEx(file_, &size) ||
        ULONGLONG(size.QuadPart) != size_ || !GetFileTime(file_, nullptr, nullptr, &lastWrite) ||
        CompareFileTime(&lastWrite, &lastWrite_) != 0)
        return false;
    // Opening the path costs a tenth of a millisecond under Wine, as much as a write itself at
    // times, and a change notification on the folder far more at each open and close; the
    // folder's attributes are a plain stat. They are read before the path is opened, so a
    // change meanwhile shows at the next check.
    WIN32_FILE_ATTRIBUTE_DATA folder;
    const bool folderKnown = GetFileAttributesExW(FolderOf(path_).c_str(), GetFileExInfoStandard, &folder) != FALSE;
    if (!whole && folderKnown && folderChecked_ && CompareFileTime(&folder.ftLastWriteTime, &folderWrite_) == 0)
        return true;
    // Opening with no access at all passes the share modes of our own handle.
    UniqueFile atPath(CreateFileW(path_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const bool same = atPath.valid() && fileIndex_ != -1 && FileIndexOf(atPath.get()) == fileIndex_;
    folderChecked_ = same && folderKnown;
    if (folderChecked_)
        folderWrite_ = folder.ftLastWriteTime;
    return same;
}

void StoreFile::Close()
{
    view_.Release();
    heldBytes_ = std::string();
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    path_.clear();
    size_ = 0;
    fileIndex_ = -1;
    lastWrite_ = FILETIME();
    folderChecked_ = false;
}

bool StoreFileView::Map(HANDLE file, ULONGLONG size)
{
    Release();
    if (size > 0x7FFFFFFFull) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    if (size == 0)
        return true;
    mapping_.reset(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping_)
        return false;
    base_ = MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
    if (!base_)
        return false;
    size_ = static_cast<size_t>(size);
    RegisterView(this);
    return true;
}

void StoreFileView::Release()
{
    if (base_) {
        UnregisterView(this);
        if (lost_)
            VirtualFree(base_, 0, MEM_RELEASE);
        else
            UnmapViewOfFile(base_);
    }
    base_ = nullptr;
    mapping_.reset();
    size_ = 0;
    lost_ = 0;
}

bool StoreFileView::ReplaceWithZerosAt(ULONG_PTR address)
{
    const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(base_);
    if (lost_ || !base_ || address < base || address - base >= size_)
        return false;
    // The view's pages go and zeroed ones take their addresses, so every pointer into the view
    // stays readable.
    UnmapViewOfFile(base_);
    if (VirtualAlloc(base_, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY) != base_)
        return false;
    InterlockedExchange(&lost_, 1);
    return true;
}

AppendResult StoreFile::Append(const std::string &bytes)
{
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size_);
    if (SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) && WriteAll(ops_, file_, bytes) && ops_.flushFile(file_)) {
        size_ += bytes.size();
        NoteStamp();
        return AppendResult::Done;
    }
    // Part of the entry may be on disk, or all of it without the flush having reported success:
    // either would come back at the next start. Cut it off.
    // Once cut, the system's copy of the file no longer holds the entry, so nothing of it can
    // reach the disk later even when this flush fails too.
    const DWORD error = GetLastError();
    bool restored = CutTo(size_);
    if (restored) {
        ops_.flushFile(file_);
    } else {
        // A whole entry left behind would come back at the next start although the call failed.
        // Zeros in its place read as a torn end, which the next start cuts off.
        restored = SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) &&
                   WriteAll(ops_, file_, std::string(bytes.size(), '\0')) && ops_.flushFile(file_);
    }
    NoteStamp();
    SetLastError(error ? error : ERROR_WRITE_FAULT);
    return restored ? AppendResult::Failed : AppendResult::FailedDirty;
}

bool StoreFile::Map()
{
    view_.Release();
    heldBytes_ = std::string();
    // A small file is read instead: mapping it costs more calls into the system than reading.
    if (size_ < kMapFilesFrom)
        return ReadFileBytes(file_, static_cast<size_t>(size_), heldBytes_);
    return view_.Map(file_, size_);
}

bool ReadFileBytes(HANDLE file, size_t size, std::string &bytes)
{
    bytes.assign(size, '\0');
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return false;
        if (got == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            return false;
        }
        done += got;
    }
    return true;
}

bool StoreFile::CutTo(ULONGLONG size)
{
    if (!view_.data())
        return ops_.truncateFile(file_, size) != FALSE;
    const size_t mapped = view_.size();
    // The bytes are copied first, so whoever reads them never finds them gone.
    if (heldBytes_.empty())
        heldBytes_.assign(view_.data(), mapped);
    view_.Release();
    const bool cut = ops_.truncateFile(file_, size) != FALSE;
    const DWORD error = GetLastError();
    if (view_.Map(file_, cut ? std::min<ULONGLONG>(mapped, size) : mapped))
        heldBytes_ = std::string();
    else if (cut)
        heldBytes_.resize(std::min<size_t>(mapped, static_cast<size_t>(size)));
    SetLastError(error);
    return cut;
}

bool StoreFile::Truncate(ULONGLONG size)
{
    if (!CutTo(size) || !ops_.flushFile(file_))
        return false;
    size_ = size;
    NoteStamp();
    return true;
}

bool StoreFile::LastWriteTime(FILETIME &time) const
{
    return GetFileTime(file_, nullptr, nullptr, &time) != FALSE;
}

bool WriteStoreFileCopy(const StoreFileOps &ops, const std::wstring &path, const std::string &bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, PrivateAttributes(PrivateKind::File),
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    return WriteAll(ops, file.get(), bytes) && ops.flushFile(file.get());
}

bool ReplaceStoreFile(const StoreFileOps &ops, const std::wstring &from, const std::wstring &to)
{
    if (!ops.renameFile(from.c_str(), to.c_str()))
        return false;
    ops.flushFolder(FolderOf(to).c_str());
    return true;
}
