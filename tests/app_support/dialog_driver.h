// What the dialog tests do to a dialog and read from it, as a user would see it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

std::wstring ItemText(HWND dialog, int id);
// Sets an edit field's text as typing or pasting it would: the control tells the dialog.
void Type(HWND dialog, int id, const std::wstring &text);
// A push button's click, sent whether or not the button is enabled (as Enter reaches the default one).
void Click(HWND dialog, int id);
// A control's notification to the dialog (LBN_SELCHANGE, CBN_SELENDCANCEL, ...).
void Notify(HWND dialog, int id, int code);
std::vector<std::wstring> ComboEntries(HWND combo);
std::vector<std::wstring> ListEntries(HWND list);

struct ObjectFields {
    std::wstring name, serialNumber, remark, category;
    bool operator==(const ObjectFields &other) const
    {
        return name == other.name && serialNumber == other.serialNumber && remark == other.remark &&
               category == other.category;
    }
};
// Every stored object in database order, read through the open objectDatabase.
std::vector<ObjectFields> StoredObjects();
// Every category name in the database's order, read through the open categoryDatabase.
std::vector<std::wstring> StoredCategories();
// Selects a row of the main window's list as a click would.
void SelectObject(int position);
