// The platform's help viewer, PegHelp.exe, next to the program.
#pragma once
#include <windows.h>

// Starts the viewer with "file.htp#anchor"; no handle kept, nobody waits, failure ignored.
void StartHelpViewer(const WCHAR *fileAndAnchor);
