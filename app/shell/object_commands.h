// What the user can do with the objects from the main window's commands.
#pragma once
#include <windows.h>

// Deletes the selected object; asks first when an owner is given.
void DeleteSelectedObject(HWND owner);
// Runs one of the object commands (IDM_*); returns false for an id that is not one of them.
bool RunObjectCommand(HWND window, int commandId);
