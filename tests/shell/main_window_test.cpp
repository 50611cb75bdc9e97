#include "resources/resource.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/category_filter.h"
#include "app_support/main_window_session.h"
#include "support/import_patch.h"
#include "support/robot.h"
#include "support/test_env.h"
#include <tlhelp32.h>
#include <gtest/gtest.h>

using Names = std::vector<std::wstring>;

namespace {

const std::vector<SessionObject> someObjects = {
    {L"Zeichenprogramm", L"ZP-77", L"Lizenz für zwei Plätze", L"Software"},
    {L"bohrmaschine", L"BM-1", L"", L"Geräte"},
    {L"Adressbuch", L"AB-123", L"Version 2", L"Software"},
    {L"Notizen", L"N-9", L"", L""},
};
const std::vector<const wchar_t *> someCategories = {L"Software", L"Geräte"};

TEST(MainWindow, FirstStartShowsAllObjectsWithTheFirstSelectedAndStoresNothing)
{
    MainWindowSession session(someObjects, someCategories);
    ASSERT_TRUE(session.created());
    EXPECT_EQ(WindowText(session.window), L"Zifferbox");
    EXPECT_EQ(ComboSelection(filterCombo), L" - Alle -");
    EXPECT_STREQ(categoryFilter, L" - Alle -");
    EXPECT_EQ(SendMessageW(filterCombo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(ListedNames(), (Names{L"Adressbuch", L"bohrmaschine", L"Notizen", L"Zeichenprogramm"}));
    EXPECT_EQ(SelectedPosition(), 0);
    EXPECT_EQ(WindowText(nameLabel), L"Adressbuch");
    EXPECT_EQ(WindowText(serialLabel), L"AB-123");
    EXPECT_EQ(WindowText(remarkLabel), L"Version 2");
    EXPECT_EQ(WindowText(categoryLabel), L"Software");
    EXPECT_FALSE(IsWindowVisible(categoryLabel));
    EXPECT_EQ(StoredFilter(), L"<none>");
}

TEST(MainWindow, RowsAndListSitBelowTheCommandBandsAndFillTheWindow)
{
    MainWindowSession session(someObjects, someCategories);
    RECT client, bands, name, list;
    GetClientRect(session.window, &client);
    GetWindowRect(commandBands, &bands);
    GetWindowRect(nameLabel, &name);
    GetWindowRect(objectList, &list);
    MapWindowPoints(nullptr, session.window, reinterpret_cast<POINT *>(&bands), 2);
    MapWindowPoints(nullptr, session.window, reinterpret_cast<POINT *>(&name), 2);
    MapWindowPoints(nullptr, session.window, reinterpret_cast<POINT *>(&list), 2);
    EXPECT_LE(bands.bottom, name.top);
    EXPECT_LT(name.bottom, list.top);
    EXPECT_EQ(list.bottom, client.bottom);
    EXPECT_EQ(list.right - list.left, client.right - client.left);
}

TEST(MainWindow, StoredFilterIsRestored)
{
    MainWindowSession session(someObjects, someCategories, L"Software");
    EXPECT_EQ(ComboSelection(filterCombo), L"Software");
    EXPECT_EQ(ListedNames(), (Names{L"Adressbuch", L"Zeichenprogramm"}));
    EXPECT_EQ(WindowText(nameLabel), L"Adressbuch");
}

TEST(MainWindow, StoredFilterOfAVanishedCategoryFallsBackWithoutWriting)
{
    for (const wchar_t *stored : {L"Musik", L"software"}) {
        MainWindowSession session(someObjects, someCategories, stored);
        EXPECT_EQ(ComboSelection(filterCombo), L" - Alle -") << stored;
        EXPECT_STREQ(categoryFilter, L" - Alle -");
        EXPECT_EQ(ListedNames().size(), 4u);
        EXPECT_EQ(StoredFilter(), stored);
    }
}

TEST(MainWindow, PickingAFilterRefillsAndRemembersIt)
{
    MainWindowSession session(someObjects, someCategories);
    PickFilter(L"Geräte");
    EXPECT_STREQ(categoryFilter, L"Geräte");
    EXPECT_EQ(StoredFilter(), L"Geräte");
    EXPECT_EQ(ListedNames(), (Names{L"bohrmaschine"}));
    EXPECT_EQ(SelectedPosition(), 0);
    EXPECT_EQ(WindowText(serialLabel), L"BM-1");
    EXPECT_EQ(GetFocus(), objectList);

    PickFilter(L" - Ohne -");
    EXPECT_EQ(ListedNames(), (Names{L"Notizen"}));
    EXPECT_EQ(StoredFilter(), L" - Ohne -");
}

TEST(MainWindow, PickingTheCurrentFilterAgainWritesNothing)
{
    MainWindowSession session(someObjects, someCategories);
    SendMessageW(objectList, LB_SETCURSEL, 2, 0);
    PickFilter(L" - Alle -");
    EXPECT_EQ(StoredFilter(), L"<none>");
    // No refill: the selection stays where the user put it.
    EXPECT_EQ(SelectedPosition(), 2);
    EXPECT_EQ(GetFocus(), objectList);
}

TEST(MainWindow, CommandStatesFollowTheSelection)
{
    MainWindowSession session(someObjects, someCategories);
    const int selectionCommands[] = {IDM_CUT, IDM_COPY, IDM_MODIFY, IDM_DELETE, IDM_DUPLICATE};
    const int selectionButtons[] = {IDM_CUT, IDM_COPY, IDM_MODIFY, IDM_DELETE};
    for (int command : selectionCommands)
        EXPECT_TRUE(MenuItemEnabled(command)) << command;
    for (int command : selectionButtons)
        EXPECT_TRUE(ButtonEnabled(command)) << command;
    for (int command : {IDM_NEW_OBJECT, IDM_ABOUT, IDM_EXIT, IDM_CATEGORY_LIST})
        EXPECT_TRUE(MenuItemEnabled(command)) << command;
    EXPECT_TRUE(ButtonEnabled(IDM_NEW_OBJECT));

    // A filter no object passes empties the list and the rows and grays the commands.
    PickFilter(L"Geräte");
    SendMessageW(objectList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(session.window, WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(objectList));
    EXPECT_EQ(WindowText(nameLabel), L"");
    EXPECT_EQ(WindowText(categoryLabel), L"");
    for (int command : selectionCommands)
        EXPECT_FALSE(MenuItemEnabled(command)) << command;
    for (int command : selectionButtons)
        EXPECT_FALSE(ButtonEnabled(command)) << command;
}

TEST(MainWindow, SelectionChangeShowsThatObject)
{
    MainWindowSession session(someObjects, someCategories);
    SendMessageW(objectList, LB_SETCURSEL, 3, 0);
    SendMessageW(session.window, WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(objectList));
    EXPECT_EQ(WindowText(nameLabel), L"Zeichenprogramm");
    EXPECT_EQ(WindowText(remarkLabel), L"Lizenz für zwei Plätze");
}

TEST(MainWindow, EmptyStoreShowsEmptyRowsAndGrayedCommands)
{
    MainWindowSession session;
    EXPECT_TRUE(ListedNames().empty());
    EXPECT_EQ(SelectedPosition(), LB_ERR);
    EXPECT_EQ(WindowText(nameLabel), L"");
    EXPECT_FALSE(MenuItemEnabled(IDM_COPY));
    EXPECT_FALSE(ButtonEnabled(IDM_DELETE));
    EXPECT_EQ(SendMessageW(filterCombo, CB_GETCOUNT, 0, 0), 2);
}

TEST(MainWindow, PasteStartsGrayedWhenTheClipboardHoldsNoObject)
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    MainWindowSession session(someObjects, someCategories);
    EXPECT_FALSE(MenuItemEnabled(IDM_PASTE));
    EXPECT_FALSE(ButtonEnabled(IDM_PASTE));
}

using SystemParametersInfoFunction = BOOL(WINAPI *)(UINT, UINT, PVOID, UINT);
SystemParametersInfoFunction realSystemParametersInfo = nullptr;

BOOL WINAPI NoWorkArea(UINT action, UINT parameter, PVOID value, UINT update)
{
    if (action == SPI_GETWORKAREA) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return realSystemParametersInfo(action, parameter, value, update);
}

TEST(MainWindow, WithoutAWorkAreaTheWindowCoversTheScreen)
{
    MainWindowSession session(someObjects, someCategories, nullptr, [] {
        realSystemParametersInfo = reinterpret_cast<SystemParametersInfoFunction>(
            ReplaceImport("user32.dll", "SystemParametersInfoW", reinterpret_cast<void *>(NoWorkArea)));
    });
    ASSERT_NE(realSystemParametersInfo, nullptr);
    ReplaceImport("user32.dll", "SystemParametersInfoW", reinterpret_cast<void *>(realSystemParametersInfo));
    ASSERT_TRUE(session.created());
    RECT window;
    GetWindowRect(session.window, &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(window.right - window.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(window.bottom - window.top, GetSystemMetrics(SM_CYSCREEN));
}

TEST(MainWindow, WorkAreaChangeRefitsWindowAndList)
{
    MainWindowSession session(someObjects, someCategories);
    MoveWindow(session.window, 10, 20, 200, 150, TRUE);
    SendMessageW(session.window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    RECT area, window, list, nameRow;
    ASSERT_TRUE(QueryWorkArea(0, &area));
    GetWindowRect(session.window, &window);
    EXPECT_EQ(window.left, area.left);
    EXPECT_EQ(window.top, area.top);
    EXPECT_EQ(window.right, area.right);
    EXPECT_EQ(window.bottom, area.bottom);
    GetWindowRect(objectList, &list);
    EXPECT_EQ(list.right - list.left, area.right - area.left);
    EXPECT_EQ(list.bottom, area.bottom);
    // Other setting changes leave the window alone.
    MoveWindow(session.window, 10, 20, 200, 150, TRUE);
    SendMessageW(session.window, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    GetWindowRect(session.window, &window);
    EXPECT_EQ(window.left, 10);
    GetWindowRect(nameLabel, &nameRow);
    EXPECT_EQ(nameRow.bottom - nameRow.top, 15);
}

bool HelpViewerRuns()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof process;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &process); more && !found; more = Process32NextW(snapshot, &process))
        found = lstrcmpiW(process.szExeFile, L"PegHelp.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

TEST(MainWindow, HelpAnswersOnlyTheMainWindowsOwnRequests)
{
    MainWindowSession session(someObjects, someCategories);
    const std::wstring record = TestFolder() + L"\\help-requests.txt";
    DeleteFileW(record.c_str());
    SetEnvironmentVariableW(L"ZB_HELP_RECORD", record.c_str());
    HELPINFO help = {};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;

    // F1 in the About box: the box has no help and hands WM_HELP on to its owner.
    Robot robot;
    robot.OnDialog([&help](HWND about) {
        help.hItemHandle = about;
        SendMessageW(about, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        SendMessageW(about, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(session.window, WM_COMMAND, IDM_ABOUT, 0);
    EXPECT_EQ(robot.PendingAnswers(), 0u);
    // A message box owned by the main window hands its F1 on the same way.
    HWND box = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, session.window, nullptr, nullptr, nullptr);
    help.hItemHandle = box;
    SendMessageW(session.window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    DestroyWindow(box);

    // F1 in the list, then the device's bare request: both are answered. Once every viewer
    // started has ended, the record holds what was asked for, the requests above included.
    help.hItemHandle = objectList;
    SendMessageW(session.window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    SendMessageW(session.window, WM_HELP, 0, 0);
    ASSERT_TRUE(Robot::PumpUntil([&] { return ReadWholeFile(record).size() >= 58u && !HelpViewerRuns(); }, 10000));
    EXPECT_EQ(ReadWholeFile(record), "zifferbox.htp#zifferbox_help\nzifferbox.htp#zifferbox_help\n");
    SetEnvironmentVariableW(L"ZB_HELP_RECORD", nullptr);
}

TEST(MainWindow, CloseAndExitCommandsEndTheMessageLoopWithCodeZero)
{
    for (UINT how : {0u, static_cast<UINT>(IDM_EXIT), static_cast<UINT>(IDCANCEL)}) {
        MainWindowSession session(someObjects, someCategories);
        if (how == 0)
            PostMessageW(session.window, WM_CLOSE, 0, 0);
        else
            PostMessageW(session.window, WM_COMMAND, MAKEWPARAM(how, 0), 0);
        MSG message;
        int guard = 0;
        while (GetMessageW(&message, nullptr, 0, 0) > 0 && ++guard < 10000)
            DispatchMessageW(&message);
        EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT)) << how;
        EXPECT_EQ(message.wParam, 0u);
        EXPECT_FALSE(IsWindow(session.window));
        // The menu went with the bar: the activation messages of the window's end find none.
        EXPECT_EQ(menuHandle, nullptr) << how;
    }
}

}  // namespace
