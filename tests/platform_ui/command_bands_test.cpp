#include "strip_host.h"
#include "platform/command_bands.h"
#include "resources/resource.h"
#include "support/robot.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>

namespace {

// A popup's menu loop ends after this long at the latest, so no test can hang in it.
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR, DWORD)
{
    EndMenu();
}

// The adornment button with this text somewhere inside the strip.
HWND FindAdornment(HWND bands, const WCHAR *text)
{
    struct Search {
        const WCHAR *text;
        HWND found;
    } search{text, nullptr};
    EnumChildWindows(
        bands,
        [](HWND child, LPARAM data) -> BOOL {
            auto *s = reinterpret_cast<Search *>(data);
            WCHAR caption[8] = L"";
            GetWindowTextW(child, caption, 8);
            if (lstrcmpW(caption, s->text) == 0) s->found = child;
            return !s->found;
        },
        (LPARAM)&search);
    return search.found;
}

class CommandBandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = CreateStripHost();
        ASSERT_TRUE(host.window && host.bands && host.menuBar && host.buttonBar && host.filterBar && host.filterCombo);
        safety = SetTimer(nullptr, 0, 3000, EndStuckMenu);
    }
    void TearDown() override
    {
        KillTimer(nullptr, safety);
        DestroyStripHost(host);
    }

    // Posts a command of its own to the host and pumps until it arrives: every message posted
    // before it has then been handled, so a check that nothing happened holds on a slow machine.
    // Three rounds, since handling a key may post the work (a popup) that comes after it.
    // The sentinel's own records are removed again.
    void Sentinel()
    {
        constexpr WPARAM kSentinel = 0x7ABC;
        auto isSentinel = [](const ReceivedMessage &m) { return m.message == WM_COMMAND && m.wParam == kSentinel; };
        for (int round = 0; round < 3; ++round) {
            PostMessageW(host.window, WM_COMMAND, kSentinel, 0);
            ASSERT_TRUE(Robot::PumpUntil([&] {
                return std::any_of(hostMessages.begin(), hostMessages.end(), isSentinel);
            })) << "the sentinel never arrived";
            hostMessages.erase(std::remove_if(hostMessages.begin(), hostMessages.end(), isSentinel), hostMessages.end());
        }
    }

    RECT ScreenRect(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }

    // Presses and releases the mouse on toolbar button `index` as a tap would.
    void TapButton(HWND bar, int index)
    {
        RECT item{};
        ASSERT_TRUE(SendMessageW(bar, TB_GETITEMRECT, index, (LPARAM)&item));
        const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageW(bar, WM_LBUTTONUP, 0, point);
        Robot::Pump(30);
    }

    StripHost host;
    UINT_PTR safety = 0;
};

TEST_F(CommandBandsTest, ThreeCommandBarsSitSideBySideWithoutOverlap)
{
    EXPECT_EQ(CommandBands_GetCommandBar(host.bands, 3), nullptr);
    WCHAR name[64];
    for (HWND bar : {host.menuBar, host.buttonBar, host.filterBar}) {
        GetClassNameW(bar, name, 64);
        EXPECT_STREQ(name, TOOLBARCLASSNAMEW);
        EXPECT_EQ(GetParent(bar), host.bands);
    }
    EXPECT_EQ(GetDlgCtrlID(host.bands), 1);
    EXPECT_EQ((int)SendMessageW(host.bands, RB_GETROWCOUNT, 0, 0), 1);

    // Each bar lies inside the strip, right of the one before it.
    const RECT strip = ScreenRect(host.bands);
    LONG right = strip.left;
    for (HWND bar : {host.menuBar, host.buttonBar, host.filterBar}) {
        const RECT rect = ScreenRect(bar);
        EXPECT_GE(rect.left, right);
        EXPECT_GE(rect.top, strip.top);
        EXPECT_LE(rect.bottom, strip.bottom);
        right = rect.right;
    }
    // Every button of the button bar and the whole combo box are visible in their bars.
    EXPECT_EQ((int)SendMessageW(host.buttonBar, TB_BUTTONCOUNT, 0, 0), 8);
    RECT buttonBarClient{}, lastButton{};
    GetClientRect(host.buttonBar, &buttonBarClient);
    SendMessageW(host.buttonBar, TB_GETITEMRECT, 7, (LPARAM)&lastButton);
    EXPECT_LE(lastButton.right, buttonBarClient.right);
    EXPECT_LE(lastButton.bottom, buttonBarClient.bottom);
    const RECT combo = ScreenRect(host.filterCombo);
    const RECT filterBar = ScreenRect(host.filterBar);
    EXPECT_EQ(combo.right - combo.left, 189);
    EXPECT_GE(combo.left, filterBar.left);
    EXPECT_LE(combo.right, filterBar.right);
    EXPECT_GE(combo.top, filterBar.top);
    EXPECT_LE(combo.bottom, filterBar.bottom);

    // The standard small colour images are loaded (delete is image 5).
    HIMAGELIST images = (HIMAGELIST)SendMessageW(host.buttonBar, TB_GETIMAGELIST, 0, 0);
    ASSERT_NE(images, nullptr);
    EXPECT_GE(ImageList_GetImageCount(images), 15);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);

    // The window lays out below the strip: the reported height covers all of it.
    const int h = CommandBar_Height(host.menuBar);
    EXPECT_EQ(h, strip.bottom - strip.top);
    EXPECT_GE(h, 22);
    EXPECT_LE(h, 34);
}

TEST_F(CommandBandsTest, ComboBoxIsTheFilterDropDownWithRoomForTenEntries)
{
    EXPECT_EQ(GetDlgCtrlID(host.filterCombo), 3);
    EXPECT_EQ(GetParent(host.filterCombo), host.filterBar);
    const LONG_PTR style = GetWindowLongPtrW(host.filterCombo, GWL_STYLE);
    // The combo box hands its scroll bar style on to its list, which shows it only when needed.
    EXPECT_EQ(style & 0x0103, 0x0103);
    EXPECT_TRUE(style & WS_VISIBLE);
    RECT dropped{};
    SendMessageW(host.filterCombo, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&dropped);
    const int item = (int)SendMessageW(host.filterCombo, CB_GETITEMHEIGHT, 0, 0);
    EXPECT_GE(dropped.bottom - dropped.top, 10 * item);
    EXPECT_EQ(SendMessageW(host.filterCombo, WM_GETFONT, 0, 0), SendMessageW(host.filterBar, WM_GETFONT, 0, 0));
}

TEST_F(CommandBandsTest, ButtonCommandsReachTheWindowUnchanged)
{
    struct Case {
        int index;
        int command;
        bool enabled;
    } cases[] = {
        {0, IDM_NEW_OBJECT, true},
        {1, IDM_MODIFY, false},
        {7, IDM_DELETE, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        hostMessages.clear();
        TapButton(host.buttonBar, c.index);
        const auto commands = Received(WM_COMMAND);
        if (!c.enabled) {
            EXPECT_TRUE(commands.empty());
            continue;
        }
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].wParam, MAKEWPARAM(c.command, BN_CLICKED));
        EXPECT_EQ((HWND)commands[0].lParam, host.buttonBar);
    }

    // The device's enable-button message is the desktop's: 1 enables, 0 greys.
    SendMessageW(host.buttonBar, 0x0401, IDM_DELETE, 1);
    EXPECT_TRUE(SendMessageW(host.buttonBar, TB_ISBUTTONENABLED, IDM_DELETE, 0));
    hostMessages.clear();
    TapButton(host.buttonBar, 7);
    ASSERT_EQ(Received(WM_COMMAND).size(), 1u);
    EXPECT_EQ(Received(WM_COMMAND)[0].wParam, MAKEWPARAM(IDM_DELETE, BN_CLICKED));
    SendMessageW(host.buttonBar, 0x0401, IDM_DELETE, 0);
    EXPECT_FALSE(SendMessageW(host.buttonBar, TB_ISBUTTONENABLED, IDM_DELETE, 0));
}

TEST_F(CommandBandsTest, ComboNotificationsReachTheWindowUnchanged)
{
    // What the combo box sends its parent, the toolbar, must arrive at the main window as it is.
    for (WORD code : {(WORD)CBN_SELENDOK, (WORD)CBN_SELENDCANCEL, (WORD)CBN_SELCHANGE}) {
        SCOPED_TRACE(code);
        hostMessages.clear();
        SendMessageW(host.filterBar, WM_COMMAND, MAKEWPARAM(3, code), (LPARAM)host.filterCombo);
        const auto commands = Received(WM_COMMAND);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].wParam, MAKEWPARAM(3, code));
        EXPECT_EQ((HWND)commands[0].lParam, host.filterCombo);
    }
    // And from the control itself: dropping the list and closing it without a choice.
    hostMessages.clear();
    SendMessageW(host.filterCombo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(host.filterCombo, CB_SHOWDROPDOWN, FALSE, 0);
    bool cancelSeen = false;
    for (const auto &m : Received(WM_COMMAND)) {
        EXPECT_EQ(LOWORD(m.wParam), 3);
        EXPECT_EQ((HWND)m.lParam, host.filterCombo);
        cancelSeen = cancelSeen || HIWORD(m.wParam) == CBN_SELENDCANCEL;
    }
    EXPECT_TRUE(cancelSeen);
}

// The class procedure of toolbars created from now on, to see what reaches the toolbar itself.
WNDPROC originalToolbarProc = nullptr;
int tooltipMessagesAtToolbar = 0;
int messagesAtToolbar = 0;
static_assert(CMDBAR_SETTOOLTIPS == 0x0451, "the device's number");

LRESULT CALLBACK ToolbarSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++messagesAtToolbar;
    if (message == 0x0451) ++tooltipMessagesAtToolbar;
    return CallWindowProcW(originalToolbarProc, window, message, wParam, lParam);
}

TEST(CommandBarToolTips, NeverReachTheToolbarAndAnswerWithTheCopiedTexts)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    HWND probe = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(probe, nullptr);
    originalToolbarProc = (WNDPROC)SetClassLongPtrW(probe, GCLP_WNDPROC, (LONG_PTR)ToolbarSpy);
    tooltipMessagesAtToolbar = 0;
    messagesAtToolbar = 0;

    StripHost host = CreateStripHost();
    // Also through the platform call, on a bar without buttons.
    const WCHAR *none[1] = {L"x"};
    EXPECT_TRUE(CommandBar_AddToolTips(host.filterBar, 1, none));

    const struct {
        int command;
        const WCHAR *text;
    } expected[] = {
        {IDM_NEW_OBJECT, L"Neu"},      {IDM_MODIFY, L"Bearbeiten"}, {IDM_CUT, L"Ausschneiden"},
        {IDM_COPY, L"Kopieren"},       {IDM_PASTE, L"Einfügen"},    {IDM_DELETE, L"Löschen"},
    };
    for (const auto &e : expected) {
        NMTTDISPINFOW info{};
        info.hdr.code = TTN_GETDISPINFOW;
        info.hdr.idFrom = e.command;
        info.hdr.hwndFrom = (HWND)SendMessageW(host.buttonBar, TB_GETTOOLTIPS, 0, 0);
        SendMessageW(host.buttonBar, WM_NOTIFY, e.command, (LPARAM)&info);
        ASSERT_NE(info.lpszText, nullptr);
        EXPECT_STREQ(info.lpszText, e.text);
    }
    // A button the table does not reach has no tip.
    NMTTDISPINFOW unknown{};
    unknown.hdr.code = TTN_GETDISPINFOW;
    unknown.hdr.idFrom = 4242;
    SendMessageW(host.buttonBar, WM_NOTIFY, 4242, (LPARAM)&unknown);
    EXPECT_TRUE(unknown.lpszText == nullptr || unknown.lpszText[0] == L'\0');

    EXPECT_GT(messagesAtToolbar, 0) << "the spy sits under the bars";
    EXPECT_EQ(tooltipMessagesAtToolbar, 0);
    DestroyStripHost(host);
    SetClassLongPtrW(probe, GCLP_WNDPROC, (LONG_PTR)originalToolbarProc);
    DestroyWindow(probe);
}

TEST_F(CommandBandsTest, AdornmentsSendHelpAndCloseFromTheRightEnd)
{
    HWND help = FindAdornment(host.bands, L"?");
    HWND close = FindAdornment(host.bands, L"\u00D7");
    ASSERT_NE(help, nullptr);
    ASSERT_NE(close, nullptr);

    const RECT strip = ScreenRect(host.bands);
    const RECT helpRect = ScreenRect(help), closeRect = ScreenRect(close);
    const RECT combo = ScreenRect(host.filterCombo);
    EXPECT_LT(helpRect.right, closeRect.left + 1);
    EXPECT_GE(closeRect.right, strip.right - 8);
    EXPECT_GT(helpRect.left, combo.right);
    EXPECT_TRUE(IsWindowVisible(help) && IsWindowVisible(close));

    SendMessageW(help, BM_CLICK, 0, 0);
    Sentinel();
    EXPECT_EQ(Received(WM_HELP).size(), 1u);
    EXPECT_TRUE(Received(WM_CLOSE).empty());
    SendMessageW(close, BM_CLICK, 0, 0);
    Robot::PumpUntil([] { return !Received(WM_CLOSE).empty(); });
    EXPECT_EQ(Received(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(Received(WM_COMMAND).empty());
}

// Opens a popup by mouse, checks its items' states, and chooses its first item.
TEST_F(CommandBandsTest, MenuPopupsShowTheStatesSetOnTheBarsMenu)
{
    ASSERT_NE(host.menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(host.menu), 2);
    EXPECT_EQ((int)SendMessageW(host.menuBar, TB_BUTTONCOUNT, 0, 0), 2);
    WCHAR title[32] = L"";
    TBBUTTON button{};
    SendMessageW(host.menuBar, TB_GETBUTTON, 1, (LPARAM)&button);
    SendMessageW(host.menuBar, TB_GETBUTTONTEXTW, button.idCommand, (LPARAM)title);
    EXPECT_STREQ(title, L"&Bearb.");

    EnableMenuItem(host.menu, IDM_CUT, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(host.menu, IDM_COPY, MF_BYCOMMAND | MF_GRAYED);
    keysForPopup = {VK_ESCAPE};
    TapButton(host.menuBar, 1);
    auto popups = Received(WM_INITMENUPOPUP);
    ASSERT_EQ(popups.size(), 1u);
    HMENU shown = (HMENU)popups[0].wParam;
    EXPECT_EQ(shown, GetSubMenu(host.menu, 1));
    EXPECT_FALSE(GetMenuState(shown, IDM_CUT, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(shown, IDM_COPY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(Received(WM_COMMAND).empty());

    // Choosing "Neues Objekt" in "Datei" arrives as the menu's own command would.
    hostMessages.clear();
    keysForPopup = {VK_DOWN, VK_RETURN};
    TapButton(host.menuBar, 0);
    Robot::PumpUntil([] { return !Received(WM_COMMAND).empty(); });
    ASSERT_EQ(Received(WM_INITMENUPOPUP).size(), 1u);
    EXPECT_EQ((HMENU)Received(WM_INITMENUPOPUP)[0].wParam, GetSubMenu(host.menu, 0));
    const auto commands = Received(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, (WPARAM)IDM_NEW_OBJECT);
    EXPECT_EQ(commands[0].lParam, 0);
}

// The keyboard reaches the menu from the focused list box: Alt+D, Alt+B, and F10 or Alt alone.
TEST_F(CommandBandsTest, AltMnemonicsAndF10OpenThePopupsFromAChildWindow)
{
    SetForegroundWindow(host.window);
    SetActiveWindow(host.window);
    SetFocus(host.list);
    ASSERT_EQ(GetFocus(), host.list);
    const struct {
        const char *name;
        UINT message;
        WPARAM key;
        int popup;
    } cases[] = {
        {"Alt+D", WM_SYSKEYDOWN, 'D', 0},
        {"Alt+B", WM_SYSKEYDOWN, 'B', 1},
        {"F10", WM_SYSCOMMAND, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        hostMessages.clear();
        keysForPopup = {VK_ESCAPE};
        if (c.message == WM_SYSKEYDOWN)
            PostMessageW(host.list, WM_SYSKEYDOWN, c.key, 0x20000001);  // context code: Alt is down
        else
            SendMessageW(host.window, WM_SYSCOMMAND, SC_KEYMENU, 0);
        Robot::PumpUntil([] { return !Received(WM_INITMENUPOPUP).empty(); });
        Sentinel();
        const auto popups = Received(WM_INITMENUPOPUP);
        ASSERT_EQ(popups.size(), 1u);
        EXPECT_EQ((HMENU)popups[0].wParam, GetSubMenu(host.menu, c.popup));
        EXPECT_TRUE(Received(WM_COMMAND).empty());
    }
    // Alt with a letter that is no mnemonic opens nothing.
    hostMessages.clear();
    PostMessageW(host.list, WM_SYSKEYDOWN, 'Q', 0x20000001);
    Sentinel();
    EXPECT_TRUE(Received(WM_INITMENUPOPUP).empty());
}

TEST_F(CommandBandsTest, DestroyingTheMenuBarLeavesTheRestWorking)
{
    CommandBar_Destroy(host.menuBar);
    EXPECT_FALSE(IsWindow(host.menuBar));
    hostMessages.clear();
    SendMessageW(host.window, WM_SYSCOMMAND, SC_KEYMENU, 'd');
    Sentinel();
    EXPECT_TRUE(Received(WM_INITMENUPOPUP).empty());
    TapButton(host.buttonBar, 0);
    EXPECT_EQ(Received(WM_COMMAND).size(), 1u);
}

}  // namespace

namespace {

// The main window moves onto a new work area: the strip follows its width, adornments at the end.
TEST_F(CommandBandsTest, StripFollowsTheWindowWidth)
{
    for (int width : {760, 520}) {
        SCOPED_TRACE(width);
        MoveWindow(host.window, 0, 0, width, 400, TRUE);
        RECT client{};
        GetClientRect(host.window, &client);
        const RECT strip = ScreenRect(host.bands);
        EXPECT_EQ(strip.right - strip.left, client.right);
        HWND close = FindAdornment(host.bands, L"\u00D7");
        ASSERT_NE(close, nullptr);
        EXPECT_GE(ScreenRect(close).right, strip.right - 8);
        EXPECT_EQ((int)SendMessageW(host.bands, RB_GETROWCOUNT, 0, 0), 1);
    }
}

}  // namespace
