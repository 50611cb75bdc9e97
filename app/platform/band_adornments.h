// The help and close buttons at the right end of the band strip.
#pragma once
#include <windows.h>

// A child window of parent with the given id holding the close button and, with withHelp, the
// help button before it; *size receives the size it needs. Null when it can't be made.
HWND CreateAdornments(HWND parent, HINSTANCE instance, UINT id, bool withHelp, SIZE *size);
