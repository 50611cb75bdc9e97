#include "objectstore/tail.h"
#include "common/private_security.h"
#include "common/unique_handles.h"

std::wstring StoreTailPath(const std::wstring &storePath) { return storePath + L".tail"; }

bool KeepCutBytes(const StoreFileOps &ops, const std::wstring &storePath, const std::string &bytes)
{
    if (bytes.empty())
        return true;
    UniqueFile file(CreateFileW(StoreTailPath(storePath).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                PrivateAttributes(PrivateKind::File), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Appended at the end; a failure cuts the file back to where it ended.
    LARGE_INTEGER before = {};
    if (!file.valid() || !SetFilePointerEx(file.get(), LARGE_INTEGER(), &before, FILE_END))
        return false;
    size_t done = 0;
    bool kept = true;
    while (kept && done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        kept = ops.writeFile(file.get(), bytes.data() + done, chunk, &written) && written > 0;
        done += written;
    }
    kept = kept && ops.flushFile(file.get());
    if (!kept) {
        // Half the bytes would be taken for the start of the tail at the next try.
        const DWORD error = GetLastError();
        ops.truncateFile(file.get(), static_cast<ULONGLONG>(before.QuadPart));
        SetLastError(error ? error : ERROR_WRITE_FAULT);
    }
    return kept;
}
