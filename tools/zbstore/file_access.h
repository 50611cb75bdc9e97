// Files as the desktop tool reads and writes them: inputs read whole while another program may
// hold them, outputs written whole under a temporary name, flushed and only then given their
// name, so a failed or killed run never leaves half a file or harms an existing one.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Reads the whole file, sharing it with any writer. False with the Win32 error set
// (ERROR_FILE_TOO_LARGE above maxBytes; ERROR_DIRECTORY for a folder).
bool ReadSharedFile(const std::wstring &path, std::string &bytes, ULONGLONG maxBytes = 1ull << 31);
bool IsFolder(const std::wstring &path);
bool FileExists(const std::wstring &path);
// True when an account other than the user (and the system and the administrators) may read
// the file, or list the folder. Under Wine the list stands for the Unix mode: the bits for others
// show as Everyone, the group's not at all.
bool OthersMayRead(const std::wstring &path);
// True when both paths name the same existing file (through any spelling or link).
bool SameFile(const std::wstring &a, const std::wstring &b);

// Writes bytes to path as a new file, the user's alone: to "<path>.zbtmp" first, flushed, checked
// by verify when given (read back from disk), then renamed over path (replacing it only when
// replace is true). False with the Win32 error set (ERROR_INVALID_DATA when verify refused);
// nothing is left behind.
bool WriteFileAtomically(const std::wstring &path, const std::string &bytes, bool replace,
                         const std::function<bool(const std::wstring &)> &verify = nullptr);
// Flushes the file at path to disk.
bool FlushFileAt(const std::wstring &path);
// Makes a rename in the folder of path survive a crash, where folders can be flushed.
void FlushFolderOf(const std::wstring &path);
std::wstring FolderOfPath(const std::wstring &path);
