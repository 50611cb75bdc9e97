// Security descriptors for what the program creates: the records are secrets, so a new file or
// folder lets the user alone in, whatever the umask or the folder above would give it. Header
// only, like unique_handles.h.
#pragma once
#include <windows.h>
#include <sddl.h>
#include <string>
#include <vector>
#include "common/unique_handles.h"

// The account this process runs as, read from its token.
class ProcessUser {
public:
    ProcessUser()
    {
        UniqueHandle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
            return;
        DWORD size = 0;
        GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size >= sizeof(TOKEN_USER) && GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
            tokenUser_ = std::move(buffer);
    }
    // Null when the token could not be read.
    PSID Sid() const
    {
        return tokenUser_.empty() ? nullptr : reinterpret_cast<const TOKEN_USER *>(tokenUser_.data())->User.Sid;
    }

private:
    std::vector<BYTE> tokenUser_;
};

enum class PrivateKind { File, Folder };

// Owned by the user, who alone has access, with nothing taken from the folder above. Under Wine
// the server makes the file's mode from it: user and group bits, none for others.
class PrivateSecurity {
public:
    explicit PrivateSecurity(PrivateKind kind)
    {
        const ProcessUser user;
        UniqueLocalBlock<LPWSTR> sid;
        if (!user.Sid() || !ConvertSidToStringSidW(user.Sid(), sid.receive()))
            return;
        // Folders: all rights, traversing included, passed on to what is made in them. Files:
        // reading, writing and deleting but no running, which Wine would turn into execute bits.
        const wchar_t *access = kind == PrivateKind::Folder ? L"(A;OICI;FA;;;" : L"(A;;FRFWSD;;;";
        const std::wstring text = std::wstring(L"O:") + sid.get() + L"D:P" + access + sid.get() + L")";
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, descriptor_.receive(),
                                                                 nullptr))
            attributes_ = {sizeof attributes_, descriptor_.get(), FALSE};
    }
    // For CreateFile and CreateDirectory; an existing file or folder keeps its own. Null when the
    // descriptor could not be made: the file is then made as the system would, rather than not.
    SECURITY_ATTRIBUTES *Attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    UniqueLocalBlock<PSECURITY_DESCRIPTOR> descriptor_;
    SECURITY_ATTRIBUTES attributes_ = {};
};

// This process's descriptors, made at their first use: the account does not change while it runs,
// and making one takes a tenth of a millisecond under Wine. Never destroyed: a file made at exit
// still gets one.
inline SECURITY_ATTRIBUTES *PrivateAttributes(PrivateKind kind)
{
    static PrivateSecurity &file = *new PrivateSecurity(PrivateKind::File);
    static PrivateSecurity &folder = *new PrivateSecurity(PrivateKind::Folder);
    return (kind == PrivateKind::Folder ? folder : file).Attributes();
}
