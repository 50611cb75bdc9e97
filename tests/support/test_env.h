// A scratch world for one test: its own store file and its own HKEY_CURRENT_USER.
#pragma once
#include <windows.h>
#include <string>

// Folder for this test program's scratch files (created on demand).
std::wstring TestFolder();
// A fresh, not yet existing store file path, set as ZIFFERBOX_OBJECT_STORE.
std::wstring UseFreshStoreFile(const wchar_t *tag);
// Points HKEY_CURRENT_USER at an emptied scratch key until RestoreCurrentUserKey.
void UseScratchCurrentUserKey();
void RestoreCurrentUserKey();
// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::wstring &path);
// Writes bytes as the whole file, replacing what was there; false when it cannot.
bool WriteWholeFile(const std::wstring &path, const std::string &bytes);
