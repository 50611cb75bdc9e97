#include "file_access.h"
#include "common/private_security.h"
#include "common/unique_handles.h"
#include <vector>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Identity(const std::wstring &path, BY_HANDLE_FILE_INFORMATION &info)
{
    UniqueFile file(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && GetFileInformationByHandle(file.get(), &info);
}

// The account itself, and who may read every file anyway: the system and the administrators.
bool MayReadAnyway(PSID sid, const ProcessUser &user)
{
    return (user.Sid() && EqualSid(sid, user.Sid())) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

}  // namespace

bool OthersMayRead(const std::wstring &path)
{
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (size == 0 || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size) ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted))
        return false;
    if (!present || !dacl)
        return true;  // no list at all lets everyone in
    const ProcessUser user;
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            (ace->Header.AceFlags & INHERIT_ONLY_ACE))
            continue;
        DWORD mask = ace->Mask;
        MapGenericMask(&mask, &mapping);
        if ((mask & FILE_READ_DATA) && !MayReadAnyway(&ace->SidStart, user))
            return true;
    }
    return false;
}

bool IsFolder(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SameFile(const std::wstring &a, const std::wstring &b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return Identity(a, first) && Identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool ReadSharedFile(const std::wstring &path, std::string &bytes, ULONGLONG maxBytes)
{
    if (IsFolder(path)) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        return false;
    if (static_cast<ULONGLONG>(size.QuadPart) > maxBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(file.get(), &bytes[done], chunk, &got, nullptr))
            return false;
        if (got == 0)
            break;  // the writer cut the file meanwhile: what was read is what there is
        done += got;
    }
    bytes.resize(done);
    return true;
}

std::wstring FolderOfPath(const std::wstring &path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

void FlushFolderOf(const std::wstring &path)
{
    UniqueFile folder(CreateFileW(FolderOfPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.valid())
        FlushFileBuffers(folder.get());
}

bool FlushFileAt(const std::wstring &path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.get());
}

bool WriteFileAtomically(const std::wstring &path, const std::string &bytes, bool replace,
                         const std::function<bool(const std::wstring &)> &verify)
{
    const std::wstring temporary = path + L".zbtmp";
    bool written = false;
    DWORD error = ERROR_WRITE_FAULT;
    {
        // A leftover of a killed run would keep the rights it was made with.
        DeleteFileW(temporary.c_str());
        UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, PrivateAttributes(PrivateKind::File),
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            return false;
        size_t done = 0;
        written = true;
        while (written && done < bytes.size()) {
            DWORD wrote = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
            written = WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
            done += wrote;
        }
        written = written && FlushFileBuffers(file.get());
        if (!written && GetLastError())
            error = GetLastError();
    }
    if (written && verify && !verify(temporary)) {
        written = false;
        error = ERROR_INVALID_DATA;
    }
    if (!written) {
        DeleteFileW(temporary.c_str());
        SetLastError(error);
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        SetLastError(error);
        return false;
    }
    FlushFolderOf(path);
    return true;
}
