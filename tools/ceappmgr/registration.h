// Makes this program findable the way installers find the real application manager.
#pragma once
#include <string>

// Writes this program's full path as the default value of
// HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\CEAppMgr.exe. False on failure.
bool RegisterManager(std::wstring &registeredPath);
