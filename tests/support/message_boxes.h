// Answers another process's message boxes from outside, the way a user would: finds the box,
// reads caption, text, buttons and owner, and presses a button.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct SeenMessageBox {
    HWND box = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // ids of the visible buttons, ascending
    bool hasIcon = false;
};

// Waits up to timeoutMs for a visible message box of the process; box is null when none came
// (or the process ended first).
SeenMessageBox WaitForMessageBox(HANDLE process, DWORD timeoutMs);
// The text of a message box (its static control).
std::wstring MessageBoxText(HWND box);
// Presses a button of the box by its id (IDOK, IDCANCEL) and waits until the box is gone.
void PressButton(HWND box, int id);
