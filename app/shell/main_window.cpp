#include "shell/main_window.h"
#include "platform/command_bands.h"
#include "platform/entry_search.h"
#include "platform/help_viewer.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/clipboard_exchange.h"
#include "shell/field_text.h"
#include "shell/main_command_bands.h"
#include "shell/object_commands.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "store/settings_store.h"
#include "common/screen_density.h"
#include <cwchar>
#include <initializer_list>

// The band strip and what it holds.
HWND commandBands, menuBar, buttonBar, filterBar, filterCombo;
HMENU menuHandle;
// The detail rows and the name list.
HWND nameLabel, serialLabel, remarkLabel, categoryLabel;
HWND objectList;
HACCEL mainAccelerators;

namespace {

// Below the band strip, in pixels at 96 DPI: three rows of 18 pixels, a gap, then the list.
constexpr int kRowHeight = 15;
constexpr int kNameRowTop = 2;
constexpr int kSerialRowTop = 20;
constexpr int kRemarkRowTop = 38;
constexpr int kListTop = 60;

const WCHAR kMainHelp[] = L"zifferbox.htp#zifferbox_help";

// The commands that need a selected object, in the order the rows refresh them.
const int kSelectionMenuCommands[] = {IDM_CUT, IDM_COPY, IDM_MODIFY, IDM_DELETE, IDM_DUPLICATE};
const int kSelectionButtonCommands[] = {IDM_CUT, IDM_COPY, IDM_MODIFY, IDM_DELETE};

void CreateCommandBands(HWND window)
{
    const MainCommandBands strip = CreateMainCommandBands(appInstance, window);
    commandBands = strip.bands;
    menuBar = strip.menuBar;
    menuHandle = strip.menu;
    buttonBar = strip.buttonBar;
    filterBar = strip.filterBar;
    filterCombo = strip.filterCombo;
}

HWND CreateRow(HWND window, DWORD style, int y, int width)
{
    return CreateWindowExW(0, L"STATIC", L"", style, 0, y, width, ScaleToScreen(kRowHeight), window, nullptr,
                           appInstance, nullptr);
}

LRESULT OnCreate(HWND window)
{
    mainAccelerators = LoadAcceleratorsW(appInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    CreateCommandBands(window);

    settingsStore.readCategoryFilter(categoryFilter);
    RefreshFilterControl();
    AddMainBandsAdornments(appInstance, commandBands, buttonBar);

    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int h = CommandBar_Height(menuBar);
    // SS_NOPREFIX: an "&" in a name is shown, not taken for a mnemonic.
    const DWORD visibleRow = WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX;
    nameLabel = CreateRow(window, visibleRow, h + ScaleToScreen(kNameRowTop), width);
    serialLabel = CreateRow(window, visibleRow, h + ScaleToScreen(kSerialRowTop), width);
    remarkLabel = CreateRow(window, visibleRow, h + ScaleToScreen(kRemarkRowTop), width);
    categoryLabel = CreateRow(window, WS_CHILD | SS_NOTIFY | SS_NOPREFIX, h + ScaleToScreen(kRemarkRowTop), width);
    for (HWND row : {nameLabel, serialLabel, remarkLabel})
        SendMessageW(row, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);

    // Without LBS_NOINTEGRALHEIGHT the desktop list stops a part-row short of the window's bottom.
    const int listTop = h + ScaleToScreen(kListTop);
    objectList = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, listTop,
                                 width, height - listTop, window, nullptr, appInstance, nullptr);
    // The device's default list font is its GUI face; the desktop's stock system font is not.
    SendMessageW(objectList, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

    RefillObjectList(0);
    return 0;
}

LRESULT OnActivate(HWND window, WPARAM wParam)
{
    RefreshPasteState();
    // On the desktop, focusing a child of a window that is losing activation pulls it back to
    // the front, and the user could not switch away: the focus follows only on activation.
    if (LOWORD(wParam) != WA_INACTIVE)
        SetFocus(objectList);
    return 0;
}

LRESULT OnClose(HWND window)
{
    CommandBar_Destroy(menuBar);
    // The menu went with the bar; activation messages during the window's end must not reach it.
    menuHandle = nullptr;
    DestroyWindow(window);
    return 0;
}

LRESULT OnDestroy()
{
    PostQuitMessage(0);
    return 0;
}

LRESULT OnSettingChange(HWND window, WPARAM wParam)
{
    if (wParam != SPI_SETWORKAREA)
        return 0;
    RECT area;
    if (!QueryWorkArea(0, &area))
        return 0;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    MoveWindow(window, area.left, area.top, width, height, TRUE);
    const int listTop = CommandBar_Height(menuBar) + ScaleToScreen(kListTop);
    MoveWindow(objectList, 0, listTop, width, height - listTop, TRUE);
    return 0;
}

// Dialogs and message boxes without help of their own pass F1 on to their owner; only the
// main window itself, its controls and its menus have the main help as their anchor.
LRESULT OnHelp(HWND window, LPARAM lParam)
{
    const HELPINFO *help = reinterpret_cast<const HELPINFO *>(lParam);
    const bool fromOtherWindow = help && help->iContextType == HELPINFO_WINDOW &&
                                 GetAncestor(static_cast<HWND>(help->hItemHandle), GA_ROOT) != window;
    if (!fromOtherWindow)
        StartHelpViewer(kMainHelp);
    return TRUE;
}

LRESULT OnListNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (HIWORD(wParam)) {
    case LBN_SELCHANGE:
        RefreshDetails();
        return 1;
    case LBN_DBLCLK:
        RunObjectCommand(window, IDM_MODIFY);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT OnLabelClick(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) != STN_CLICKED)
        return DefWindowProcW(window, message, wParam, lParam);
    WCHAR name[kFieldCapacity];
    GetFieldText(nameLabel, name);
    RunObjectCommand(window, name[0] != L'\0' ? IDM_MODIFY : IDM_NEW_OBJECT);
    SetFocus(objectList);
    return 1;
}

LRESULT OnFilterNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int code = HIWORD(wParam);
    if (code != CBN_SELENDOK && code != CBN_SELENDCANCEL)
        return DefWindowProcW(window, message, wParam, lParam);
    WCHAR chosen[kFieldCapacity];
    GetFieldText(filterCombo, chosen);
    if (wcscmp(chosen, categoryFilter) != 0) {
        CopyField(categoryFilter, chosen);
        settingsStore.writeCategoryFilter(categoryFilter);
        RefillObjectList(0);
    }
    SetFocus(objectList);
    return 1;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND source = reinterpret_cast<HWND>(lParam);
    const int id = LOWORD(wParam);
    if (source && source == objectList)
        return OnListNotify(window, message, wParam, lParam);
    if (source && (source == nameLabel || source == serialLabel || source == remarkLabel))
        return OnLabelClick(window, message, wParam, lParam);
    if (source && source == filterCombo)
        return OnFilterNotify(window, message, wParam, lParam);
    if (id == IDM_EXIT || id == IDCANCEL)
        return OnClose(window);
    if (RunObjectCommand(window, id))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RefreshDetails()
{
    const int selected = static_cast<int>(SendMessageW(objectList, LB_GETCURSEL, 0, 0));
    WCHAR name[kFieldCapacity] = L"", serialNumber[kFieldCapacity] = L"", remark[kFieldCapacity] = L"",
          category[kFieldCapacity] = L"";
    if (selected != LB_ERR)
        objectDatabase.readFilteredObject(selected, name, serialNumber, remark, category);
    SetWindowTextW(nameLabel, name);
    SetWindowTextW(serialLabel, serialNumber);
    SetWindowTextW(remarkLabel, remark);
    SetWindowTextW(categoryLabel, category);

    const bool hasSelection = selected != LB_ERR;
    for (int command : kSelectionMenuCommands)
        EnableMenuItem(menuHandle, command, MF_BYCOMMAND | (hasSelection ? MF_ENABLED : MF_GRAYED));
    for (int command : kSelectionButtonCommands)
        SendMessageW(buttonBar, TB_ENABLEBUTTON, command, hasSelection ? 1 : 0);
}

void RefreshFilterControl()
{
    categoryDatabase.fillCategoryList(filterCombo, CB_RESETCONTENT, CB_ADDSTRING);
    // The box's search ignores letter case, the filter does not: only the exact entry counts.
    const int found = FindComboEntry(filterCombo, categoryFilter, true);
    if (found != CB_ERR) {
        SendMessageW(filterCombo, CB_SETCURSEL, found, 0);
        return;
    }
    // " - Alle -" by its text: a pasted category beginning with a blank can sort ahead of it.
    const int all = FindComboEntry(filterCombo, kAllCategories, true);
    SendMessageW(filterCombo, CB_SETCURSEL, all == CB_ERR ? 0 : all, 0);
    GetFieldText(filterCombo, categoryFilter);
    // While the window is being created the list does not exist yet; creation fills it.
    if (objectList)
        RefillObjectList(0);
}

void RefillObjectList(int position)
{
    objectDatabase.fillFilteredNameList(objectList);
    SendMessageW(objectList, LB_SETCURSEL, position, 0);
    RefreshDetails();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:        return OnCreate(window);
    case WM_DESTROY:       return OnDestroy();
    case WM_ACTIVATE:      return OnActivate(window, wParam);
    case WM_CLOSE:         return OnClose(window);
    case WM_SETTINGCHANGE: return OnSettingChange(window, wParam);
    case WM_HELP:          return OnHelp(window, lParam);
    case WM_COMMAND:       return OnCommand(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
