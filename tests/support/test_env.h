// A scratch world for one test: its own store file and its own HKEY_CURRENT_USER.
#pragma once
#include <windows.h>
#include <string>
#include "support/test_files.h"

// A fresh, not yet existing store file path, set as ZIFFERBOX_OBJECT_STORE.
std::wstring UseFreshStoreFile(const wchar_t *tag);
// Points HKEY_CURRENT_USER at an emptied scratch key until RestoreCurrentUserKey.
void UseScratchCurrentUserKey();
void RestoreCurrentUserKey();
