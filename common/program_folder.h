// Folders of paths and of the running program. Header only, like unique_handles.h.
#pragma once
#include <windows.h>
#include <string>

// The folder that holds `path`, without the separator ("\" or "/") that ends it; "." when the
// path names no folder.
inline std::wstring FolderOf(const std::wstring &path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// The folder of this program's file with a separator at its end, ready for a file name to be
// appended; empty when the program's path cannot be read.
inline std::wstring ProgramFolder()
{
    WCHAR module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"";
    return FolderOf(std::wstring(module, length)) + L"\\";
}
