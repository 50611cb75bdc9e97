// The program's main window, created in the test process the way start-up creates it, over a
// fresh store file and a scratch registry.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct SessionObject {
    const wchar_t *name;
    const wchar_t *serialNumber;
    const wchar_t *remark;
    const wchar_t *category;
};

class MainWindowSession {
public:
    // Stores the objects and categories (and the registry filter, when given) before the window
    // is created, as a previous run would have left them; beforeStart runs last, just before.
    MainWindowSession(const std::vector<SessionObject> &objects = {}, const std::vector<const wchar_t *> &categories = {},
                      const wchar_t *storedFilter = nullptr, const std::function<void()> &beforeStart = nullptr);
    ~MainWindowSession();
    MainWindowSession(const MainWindowSession &) = delete;
    MainWindowSession &operator=(const MainWindowSession &) = delete;

    bool created() const { return window != nullptr; }
    HWND window = nullptr;
    std::wstring storePath;
};

// Closes both databases and empties the filter, as at program start (the store objects are
// process globals).
void ResetStoreGlobals();

// Texts and states of the main window as a user sees them.
std::wstring WindowText(HWND window);
std::vector<std::wstring> ListedNames();
int SelectedPosition();
std::wstring ComboSelection(HWND combo);
bool MenuItemEnabled(int command);
bool ButtonEnabled(int command);
// Delivers the messages that are waiting, as the message loop would.
void PumpMessages();
// The stored registry filter, or "<none>" when the value does not exist.
std::wstring StoredFilter();
// Picks entry `text` of the filter drop-down as a user would (selection ended with OK).
void PickFilter(const wchar_t *text);
