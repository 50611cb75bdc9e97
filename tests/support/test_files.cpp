#include "support/test_files.h"
#include <shlobj.h>

namespace {

// \\?\ lets the file functions reach paths longer than MAX_PATH.
std::wstring LongPath(const std::wstring &path)
{
    return path.size() < MAX_PATH ? path : L"\\\\?\\" + path;
}

void RemoveTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(LongPath(folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + L"\\" + name);
            else
                DeleteFileW(LongPath(folder + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(LongPath(folder).c_str());
}

}  // namespace

std::wstring WinePathOf(const char *path)
{
    std::wstring wide;
    for (const char *c = path; *c; ++c)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return WinePathOf(wide);
}

std::wstring WinePathOf(std::wstring path)
{
    if (path.empty() || path[0] != L'/')
        return path;
    for (wchar_t &c : path)
        if (c == L'/')
            c = L'\\';
    // Wine reaches the Unix root through drive Z:.
    return L"Z:" + path;
}

std::wstring TestFolder()
{
    WCHAR base[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"ZB_TEST_DIR", base, MAX_PATH);
    std::wstring folder;
    if (length == 0 || length >= MAX_PATH) {
        WCHAR temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"zifferbox-tests";
    } else {
        // ctest hands over the build's Unix path.
        folder = WinePathOf(base);
    }
    MakeFolder(folder);
    return folder;
}

std::wstring FreshScratchFolder(const std::string &name)
{
    const std::wstring folder =
        TestFolder() + L"\\" + std::wstring(name.begin(), name.end()) + L"-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(folder);
    MakeFolder(folder);
    return folder;
}

std::wstring FolderOfLength(const std::wstring &parent, size_t length)
{
    const std::wstring folder = parent + L"\\" + std::wstring(length - parent.size() - 1, L'd');
    CreateDirectoryW(LongPath(folder).c_str(), nullptr);
    return folder;
}

void MakeFolder(const std::wstring &folder)
{
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
}

std::string ReadWholeFile(const std::wstring &path)
{
    std::string bytes;
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == bytes.size();
}

bool FileExists(const std::wstring &path)
{
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Narrow(const std::wstring &text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += static_cast<char>(c);
    return narrow;
}
