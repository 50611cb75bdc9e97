#include "installation.h"
#include "common/program_folder.h"
#include "common/unique_handles.h"
#include <windows.h>
#include <setupapi.h>
#include <shlobj.h>
#include <algorithm>
#include <vector>

namespace {

std::wstring ProfileString(const wchar_t *section, const wchar_t *key, const std::wstring &file)
{
    std::vector<wchar_t> buffer(4096);
    const DWORD got = GetPrivateProfileStringW(section, key, L"", buffer.data(), static_cast<DWORD>(buffer.size()),
                                               file.c_str());
    std::wstring text(buffer.data(), got);
    const size_t first = text.find_first_not_of(L" \t");
    const size_t last = text.find_last_not_of(L" \t");
    return first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
}

// Names from the description and from cabinets become parts of paths: only a plain name may,
// never one with a folder part or a drive that would lead out of the target folder.
bool IsPlainName(const std::wstring &name)
{
    if (name.empty() || name == L"." || name == L".." || name.size() > 100)
        return false;
    return name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

std::vector<std::wstring> SplitList(const std::wstring &list)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L',', start);
        if (end == std::wstring::npos)
            end = list.size();
        std::wstring item = list.substr(start, end - start);
        const size_t first = item.find_first_not_of(L" \t");
        const size_t last = item.find_last_not_of(L" \t");
        if (first != std::wstring::npos)
            items.push_back(item.substr(first, last - first + 1));
        start = end + 1;
    }
    return items;
}

bool IsFile(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes the files directly inside folder, then the folder. Used for the staging folder only.
void RemoveStagingFolder(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    const UniqueFileSearch search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

struct Extraction {
    std::wstring stagingFolder;
    std::vector<std::wstring> names;  // extracted so far, each once
    std::wstring unsafeName;
    bool failed = false;
};

UINT CALLBACK OnCabinetNotify(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR)
{
    auto *extraction = static_cast<Extraction *>(context);
    switch (notification) {
    case SPFILENOTIFY_FILEINCABINET: {
        auto *info = reinterpret_cast<FILE_IN_CABINET_INFO_W *>(param1);
        const std::wstring name = info->NameInCabinet;
        const std::wstring target = extraction->stagingFolder + L"\\" + name;
        if (!IsPlainName(name) || target.size() >= MAX_PATH) {
            extraction->unsafeName = name;
            SetLastError(ERROR_INVALID_NAME);
            return FILEOP_ABORT;
        }
        target.copy(info->FullTargetName, target.size());
        info->FullTargetName[target.size()] = L'\0';
        if (std::find(extraction->names.begin(), extraction->names.end(), name) == extraction->names.end())
            extraction->names.push_back(name);
        return FILEOP_DOIT;
    }
    case SPFILENOTIFY_FILEEXTRACTED: {
        auto *paths = reinterpret_cast<FILEPATHS_W *>(param1);
        if (paths->Win32Error != NO_ERROR)
            extraction->failed = true;
        return paths->Win32Error;
    }
    case SPFILENOTIFY_NEEDNEWCABINET:
        // Cabinets spanning several files are not made for Zifferbox.
        extraction->failed = true;
        return ERROR_FILE_NOT_FOUND;
    }
    return NO_ERROR;
}

InstallReport Failure(InstallReport report, InstallResult result, const std::wstring &detail)
{
    report.result = result;
    report.detail = detail;
    return report;
}

}  // namespace

std::wstring DeviceProgramFolder(const std::wstring &component)
{
    WCHAR device[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"ZIFFERBOX_DEVICE_DIR", device, MAX_PATH);
    std::wstring root;
    if (length > 0 && length < MAX_PATH) {
        root = device;
    } else {
        WCHAR localData[MAX_PATH] = L"";
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localData);
        root = std::wstring(localData) + L"\\Zifferbox Device";
    }
    while (!root.empty() && root.back() == L'\\')
        root.pop_back();
    return root + L"\\Programme\\" + component;
}

InstallReport InstallFromDescription(const std::wstring &descriptionPath)
{
    InstallReport report;
    WCHAR full[MAX_PATH];
    const DWORD fullLength = GetFullPathNameW(descriptionPath.c_str(), MAX_PATH, full, nullptr);
    // GetPrivateProfileString would look for a bare name in the Windows folder: use the full path.
    const std::wstring description = (fullLength > 0 && fullLength < MAX_PATH) ? full : descriptionPath;
    if (!IsFile(description) || ProfileString(L"CEAppManager", L"Version", description).empty())
        return Failure(report, InstallResult::DescriptionUnreadable, description);

    report.component = ProfileString(L"CEAppManager", L"Component", description);
    if (!IsPlainName(report.component))
        return Failure(report, InstallResult::DescriptionIncomplete, L"Component=" + report.component);
    // CabFiles is the manager's key; media written before named it CabinetFiles.
    std::vector<std::wstring> cabinets = SplitList(ProfileString(report.component.c_str(), L"CabFiles", description));
    if (cabinets.empty()) cabinets = SplitList(ProfileString(report.component.c_str(), L"CabinetFiles", description));
    if (cabinets.empty())
        return Failure(report, InstallResult::DescriptionIncomplete, L"[" + report.component + L"] CabFiles");
    for (const std::wstring &cabinet : cabinets) {
        if (!IsPlainName(cabinet))
            return Failure(report, InstallResult::DescriptionIncomplete, L"CabFiles=" + cabinet);
        if (!IsFile(FolderOf(description) + L"\\" + cabinet))
            return Failure(report, InstallResult::CabinetUnreadable, FolderOf(description) + L"\\" + cabinet);
    }

    // Everything is unpacked beside the target first, so a damaged cabinet leaves an
    // installed copy as it was.
    report.targetFolder = DeviceProgramFolder(report.component);
    Extraction extraction;
    extraction.stagingFolder = report.targetFolder + L".neu";
    RemoveStagingFolder(extraction.stagingFolder);
    const int made = SHCreateDirectoryExW(nullptr, extraction.stagingFolder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS)
        return Failure(report, InstallResult::DeviceFolderFailed, extraction.stagingFolder);
    for (const std::wstring &cabinet : cabinets) {
        const std::wstring cabinetPath = FolderOf(description) + L"\\" + cabinet;
        const BOOL iterated = SetupIterateCabinetW(cabinetPath.c_str(), 0, OnCabinetNotify, &extraction);
        if (!extraction.unsafeName.empty()) {
            RemoveStagingFolder(extraction.stagingFolder);
            return Failure(report, InstallResult::CabinetUnsafeName, extraction.unsafeName);
        }
        if (!iterated || extraction.failed) {
            RemoveStagingFolder(extraction.stagingFolder);
            return Failure(report, InstallResult::CabinetUnreadable, cabinetPath);
        }
    }
    if (extraction.names.empty()) {
        RemoveStagingFolder(extraction.stagingFolder);
        return Failure(report, InstallResult::CabinetUnreadable, FolderOf(description) + L"\\" + cabinets.front());
    }

    const int target = SHCreateDirectoryExW(nullptr, report.targetFolder.c_str(), nullptr);
    if (target != ERROR_SUCCESS && target != ERROR_ALREADY_EXISTS) {
        RemoveStagingFolder(extraction.stagingFolder);
        return Failure(report, InstallResult::DeviceFolderFailed, report.targetFolder);
    }
    for (const std::wstring &name : extraction.names) {
        const std::wstring from = extraction.stagingFolder + L"\\" + name;
        const std::wstring to = report.targetFolder + L"\\" + name;
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            RemoveStagingFolder(extraction.stagingFolder);
            return Failure(report, InstallResult::DeviceFolderFailed, to);
        }
    }
    RemoveStagingFolder(extraction.stagingFolder);
    report.result = InstallResult::Installed;
    return report;
}
