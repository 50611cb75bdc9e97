#include "app_support/main_window_session.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "store/settings_store.h"
#include "support/test_env.h"
#include <commctrl.h>
#include <new>

namespace {
int sessionNumber = 0;
}  // namespace

void ResetStoreGlobals()
{
    objectDatabase.~ObjectDatabase();
    new (&objectDatabase) ObjectDatabase();
    categoryDatabase.~CategoryDatabase();
    new (&categoryDatabase) CategoryDatabase();
    categoryFilter[0] = L'\0';
}

MainWindowSession::MainWindowSession(const std::vector<SessionObject> &objects,
                                     const std::vector<const wchar_t *> &categories, const wchar_t *storedFilter,
                                     const std::function<void()> &beforeStart)
{
    storePath = UseFreshStoreFile((L"session-" + std::to_wstring(++sessionNumber)).c_str());
    UseScratchCurrentUserKey();
    ResetStoreGlobals();
    if (!objects.empty() || !categories.empty()) {
        objectDatabase.openOrCreate(L"Zifferbox");
        categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
        for (const SessionObject &o : objects)
            objectDatabase.writeNewObject(o.name, o.serialNumber, o.remark, o.category);
        for (const wchar_t *c : categories)
            categoryDatabase.addCategory(c);
        ResetStoreGlobals();
    }
    if (storedFilter)
        settingsStore.writeCategoryFilter(storedFilter);
    if (beforeStart)
        beforeStart();

    static bool registered = false;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered)
        registered = RegisterMainWindowClass(instance) != 0;
    if (InitialiseApplication(instance, SW_SHOWNORMAL))
        window = mainWindow;
    PumpMessages();
}

MainWindowSession::~MainWindowSession()
{
    if (window && IsWindow(window))
        DestroyWindow(window);
    // The destroy message posted the quit message; take it off the queue.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    mainWindow = nullptr;
    objectList = nullptr;
    DeleteObject(titleFont);
    DeleteObject(textFont);
    titleFont = textFont = nullptr;
    ResetStoreGlobals();
    RestoreCurrentUserKey();
}

std::wstring WindowText(HWND window)
{
    WCHAR text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

std::vector<std::wstring> ListedNames()
{
    std::vector<std::wstring> names;
    const int count = static_cast<int>(SendMessageW(objectList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        WCHAR text[512] = L"";
        SendMessageW(objectList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        names.push_back(text);
    }
    return names;
}

int SelectedPosition()
{
    return static_cast<int>(SendMessageW(objectList, LB_GETCURSEL, 0, 0));
}

std::wstring ComboSelection(HWND combo)
{
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return L"<none>";
    WCHAR text[512] = L"";
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

bool MenuItemEnabled(int command)
{
    const UINT state = GetMenuState(menuHandle, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool ButtonEnabled(int command)
{
    return SendMessageW(buttonBar, TB_ISBUTTONENABLED, command, 0) != 0;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring StoredFilter()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<none>";
    WCHAR text[300] = L"";
    DWORD size = sizeof text - sizeof(WCHAR);
    const LONG result = RegQueryValueExW(key, kCategoryValueName, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::wstring(text) : L"<none>";
}

void PickFilter(const wchar_t *text)
{
    const LRESULT index = SendMessageW(filterCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    SendMessageW(filterCombo, CB_SETCURSEL, index, 0);
    // The combo box tells its parent bar; the bar hands it on to the main window unchanged.
    SendMessageW(GetParent(filterCombo), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(filterCombo), CBN_SELENDOK), reinterpret_cast<LPARAM>(filterCombo));
}
