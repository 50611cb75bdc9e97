#include "platform/device_dialog.h"
#include "resources/resource.h"
#include "support/robot.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

// What a dialog procedure of the application saw.
struct ProcedureLog {
    std::vector<UINT> messages;
    LPARAM initParameter = 0;
    int helps = 0;
    std::vector<int> commands;
};
ProcedureLog logOuter, logInner;
DWORD stylesToSet = 0;

INT_PTR LoggingProcedure(ProcedureLog &log, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    log.messages.push_back(message);
    switch (message) {
    case WM_INITDIALOG:
        log.initParameter = lParam;
        // As the application's dialogs do: ask for the caption buttons.
        SetWindowLongPtrW(dialog, GWL_EXSTYLE, GetWindowLongPtrW(dialog, GWL_EXSTYLE) | stylesToSet);
        return TRUE;
    case WM_HELP:
        ++log.helps;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) log.commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK OuterProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return LoggingProcedure(logOuter, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK InnerProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return LoggingProcedure(logInner, dialog, message, wParam, lParam);
}

bool Saw(const ProcedureLog &log, UINT message)
{
    for (UINT m : log.messages)
        if (m == message) return true;
    return false;
}

// The caption strip's hit-test regions right of the title, right to left.
struct CaptionRegion {
    LRESULT hit;
    POINT center;  // screen coordinates
};

// The middle row of the caption strip at the top of the client area, in screen coordinates.
int StripRow(HWND dialog)
{
    POINT client{0, 0};
    ClientToScreen(dialog, &client);
    return client.y + GetSystemMetrics(SM_CYCAPTION) / 2;
}

std::vector<CaptionRegion> CaptionButtonRegions(HWND dialog)
{
    RECT window;
    GetWindowRect(dialog, &window);
    const int y = StripRow(dialog);
    std::vector<CaptionRegion> regions;
    int start = -1;
    LRESULT current = HTCAPTION;
    for (int x = window.right - 1; x >= window.left; --x) {
        const LRESULT hit = SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        const bool button = hit != HTCAPTION && hit != HTCLOSE && hit != HTSYSMENU && hit != HTBORDER &&
                            hit != HTRIGHT && hit != HTLEFT && hit != HTNOWHERE && hit != HTCLIENT;
        if (button && start < 0) {
            start = x;
            current = hit;
        } else if (start >= 0 && (!button || hit != current)) {
            regions.push_back({current, {(start + x + 1) / 2, y}});
            start = button ? x : -1;
            current = hit;
        }
    }
    return regions;
}

void ClickCaption(HWND dialog, const CaptionRegion &region)
{
    SendMessageW(dialog, WM_NCLBUTTONDOWN, region.hit, MAKELPARAM(region.center.x, region.center.y));
    POINT point = region.center;
    ScreenToClient(dialog, &point);
    SendMessageW(dialog, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

class DeviceDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        logOuter = ProcedureLog{};
        logInner = ProcedureLog{};
    }
    Robot robot;
};

TEST_F(DeviceDialogTest, CaptionButtonsSendHelpAtOnceAndOk)
{
    stylesToSet = WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP;
    LONG_PTR styleAfterInit = -1, windowStyle = -1;
    LRESULT titleHit = 0;
    int firstControlTop = -1;
    std::vector<CaptionRegion> regions;
    robot.OnDialog([&](HWND dialog) {
        styleAfterInit = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
        windowStyle = GetWindowLongPtrW(dialog, GWL_STYLE);
        POINT title{10, 0};
        ClientToScreen(dialog, &title);
        titleHit = SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(title.x, StripRow(dialog)));
        RECT control;
        GetWindowRect(GetWindow(dialog, GW_CHILD), &control);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&control), 2);
        firstControlTop = control.top;
        regions = CaptionButtonRegions(dialog);
        if (regions.size() != 2) {
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        ClickCaption(dialog, regions[1]);  // the left one: help
        ClickCaption(dialog, regions[0]);  // next to the close box: OK
    });
    const INT_PTR result = RunDeviceDialog(GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr, OuterProcedure, 42);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(logOuter.initParameter, 42);
    EXPECT_TRUE(Saw(logOuter, WM_SETFONT)) << "messages before WM_INITDIALOG reach the procedure too";
    EXPECT_EQ(styleAfterInit & (LONG_PTR)(WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP), 0);
    // The platform's own frame: no system caption, a strip that moves the dialog, controls below it.
    EXPECT_NE(windowStyle & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(titleHit, HTCAPTION);
    EXPECT_GE(firstControlTop, GetSystemMetrics(SM_CYCAPTION));
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(logOuter.helps, 1);
    EXPECT_EQ(logOuter.commands, std::vector<int>{IDOK});
    EXPECT_EQ(robot.Unexpected(), 0u);
}

TEST_F(DeviceDialogTest, OnlyTheButtonsAskedForAppear)
{
    const struct {
        DWORD styles;
        size_t regions;
    } cases[] = {{0, 0}, {WS_EX_CAPTIONOKBTN, 1}, {WS_EX_CONTEXTHELP, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.styles);
        logOuter = ProcedureLog{};
        stylesToSet = c.styles;
        size_t regions = 99;
        robot.OnDialog([&](HWND dialog) {
            regions = CaptionButtonRegions(dialog).size();
            if (regions == 1) ClickCaption(dialog, CaptionButtonRegions(dialog)[0]);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        RunDeviceDialog(GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr, OuterProcedure, 0);
        EXPECT_EQ(regions, c.regions);
        EXPECT_EQ(logOuter.helps, c.styles == WS_EX_CONTEXTHELP ? 1 : 0);
        const std::vector<int> expected =
            c.styles == WS_EX_CAPTIONOKBTN ? std::vector<int>{IDOK, IDCANCEL} : std::vector<int>{IDCANCEL};
        EXPECT_EQ(logOuter.commands, expected);
    }
}

TEST_F(DeviceDialogTest, CloseBoxBecomesCancelAndNestedDialogsKeepTheirOwnProcedures)
{
    stylesToSet = WS_EX_CAPTIONOKBTN;
    robot.OnDialog([&](HWND outer) {
        robot.OnDialog([](HWND inner) {
            // A click on the strip's close box; without one the dialog would stay open.
            RECT window;
            GetWindowRect(inner, &window);
            for (int x = window.right - 1; x >= window.left; --x) {
                if (SendMessageW(inner, WM_NCHITTEST, 0, MAKELPARAM(x, StripRow(inner))) == HTCLOSE) {
                    ClickCaption(inner, {HTCLOSE, {x - 4, StripRow(inner)}});
                    break;
                }
            }
        });
        RunDeviceDialog(GetModuleHandleW(nullptr), IDD_OBJECT_EDITOR, outer, InnerProcedure, 7);
        SendMessageW(outer, WM_CLOSE, 0, 0);
    });
    RunDeviceDialog(GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr, OuterProcedure, 5);
    EXPECT_EQ(logOuter.initParameter, 5);
    EXPECT_EQ(logInner.initParameter, 7);
    EXPECT_EQ(logOuter.commands, std::vector<int>{IDCANCEL});
    EXPECT_EQ(logInner.commands, std::vector<int>{IDCANCEL});
    EXPECT_EQ(robot.Seen().size(), 2u);
}

TEST_F(DeviceDialogTest, MissingTemplateOrProcedureFails)
{
    EXPECT_EQ(RunDeviceDialog(GetModuleHandleW(nullptr), 4711, nullptr, OuterProcedure, 0), -1);
    EXPECT_EQ(RunDeviceDialog(GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr, nullptr, 0), -1);
    EXPECT_TRUE(logOuter.messages.empty());
    EXPECT_TRUE(robot.Seen().empty());
}

}  // namespace
