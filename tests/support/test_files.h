// Scratch folders and whole files for tests, and the build's Unix paths as Wine sees them.
#pragma once
#include <windows.h>
#include <string>

// A path from the build (a Unix path under Wine) as a Windows path; other paths unchanged.
std::wstring WinePathOf(const char *path);
std::wstring WinePathOf(std::wstring path);
// Folder for this test program's scratch files: ZB_TEST_DIR, or a temp folder (created on demand).
std::wstring TestFolder();
// Fresh, empty folder for one test: <TestFolder>\<name>-<pid>.
std::wstring FreshScratchFolder(const std::string &name);
// A folder under parent whose full path is exactly length characters (created).
std::wstring FolderOfLength(const std::wstring &parent, size_t length);
// Creates the folder and the folders above it.
void MakeFolder(const std::wstring &folder);
// Reads a whole file; empty when it does not exist. Paths may be longer than MAX_PATH.
std::string ReadWholeFile(const std::wstring &path);
// Writes bytes as the whole file, replacing what was there; false when it cannot.
bool WriteWholeFile(const std::wstring &path, const std::string &bytes);
bool FileExists(const std::wstring &path);
// The text's characters cut to bytes (for messages of ASCII paths).
std::string Narrow(const std::wstring &text);
