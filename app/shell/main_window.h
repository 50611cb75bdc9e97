// The main window: command bands, the detail rows and the name list.
#pragma once
#include <windows.h>

extern HWND commandBands;
extern HWND menuBar;
extern HMENU menuHandle;
extern HWND buttonBar;
extern HWND filterBar;
extern HWND filterCombo;
extern HWND nameLabel;
extern HWND serialLabel;
extern HWND remarkLabel;
extern HWND categoryLabel;  // hidden: holds the shown object's category for the editor and copy
extern HWND objectList;
extern HACCEL mainAccelerators;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the selected object in the rows and enables the commands that need a selection.
void RefreshDetails();
// Refills the filter drop-down and falls back to its first entry when the filter is gone.
void RefreshFilterControl();
// After a change of the objects: refill the list and select position, then show it.
void RefillObjectList(int position);
