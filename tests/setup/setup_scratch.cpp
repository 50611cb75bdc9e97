#include "setup_scratch.h"
#include <shlobj.h>
#include <tlhelp32.h>

static const wchar_t MANAGER_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";

std::wstring WindowsPath(const char *path)
{
    std::wstring wide;
    for (const char *c = path; *c; ++c)
        wide += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path[0] == '/' ? L"Z:" + wide : wide;
}

// \\?\ lets the file functions reach paths longer than MAX_PATH.
static std::wstring LongPath(const std::wstring &path)
{
    return path.size() < MAX_PATH ? path : L"\\\\?\\" + path;
}

static void RemoveTree(const std::wstring &folder)
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

void MakeFolder(const std::wstring &folder)
{
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
}

std::wstring FreshScratchFolder(const std::string &name)
{
    wchar_t base[MAX_PATH] = L"";
    char unixBase[MAX_PATH] = "";
    std::wstring root;
    const DWORD length = GetEnvironmentVariableA("ZB_TEST_DIR", unixBase, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        root = WindowsPath(unixBase);
    } else {
        GetTempPathW(MAX_PATH, base);
        root = std::wstring(base) + L"zifferbox-tests";
    }
    const std::wstring folder = root + L"\\" + std::wstring(name.begin(), name.end()) + L"-" + std::to_wstring(GetCurrentProcessId());
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

bool WriteWholeFile(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string ReadWholeFile(const std::wstring &path)
{
    std::string bytes;
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
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

bool ProcessRunning(const wchar_t *exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
        running = lstrcmpiW(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return running;
}

ManagerRegistration::ManagerRegistration()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MANAGER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        saved_.resize(size);
        RegQueryValueExW(key, nullptr, nullptr, &type_, reinterpret_cast<BYTE *>(&saved_[0]), &size);
        existed_ = true;
    }
    RegCloseKey(key);
}

ManagerRegistration::~ManagerRegistration()
{
    Remove();
    if (existed_)
        SetValue(type_, saved_.data(), static_cast<DWORD>(saved_.size()));
}

void ManagerRegistration::Remove()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, MANAGER_KEY);
}

void ManagerRegistration::SetValue(DWORD type, const void *data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, MANAGER_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE *>(data), size);
        RegCloseKey(key);
    }
}

void ManagerRegistration::SetPath(const std::wstring &path)
{
    SetValue(REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

std::wstring ManagerRegistration::Path() const
{
    wchar_t path[1024] = L"";
    DWORD size = sizeof path - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, MANAGER_KEY, nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}

ChildProcess::ChildProcess(const std::wstring &exe, const std::wstring &arguments,
                           const std::wstring &currentDirectory)
{
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process_))
        process_ = {};
}

ChildProcess::~ChildProcess()
{
    if (!process_.hProcess)
        return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs)
{
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}
