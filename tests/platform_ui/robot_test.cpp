#include "platform/device_dialog.h"
#include "resources/resource.h"
#include "support/robot.h"
#include <gtest/gtest.h>

namespace {

TEST(Robot, AnswersMessageBoxesAndRecordsWhatTheyShowed)
{
    const struct {
        UINT flags;
        int answer;
    } cases[] = {
        {MB_ICONSTOP | MB_OKCANCEL, IDOK},                          // 0x11
        {MB_ICONEXCLAMATION | MB_OKCANCEL, IDCANCEL},               // 0x31
        {MB_ICONEXCLAMATION | MB_OKCANCEL | MB_DEFBUTTON2, IDOK},   // 0x131
        {MB_OK, IDOK},
        {MB_ICONQUESTION | MB_YESNO, IDNO},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        Robot robot;
        robot.AnswerMessageBox(c.answer);
        EXPECT_EQ(MessageBoxW(nullptr, L"Unvollständige Eingabe.", L"Zifferbox", c.flags), c.answer);
        ASSERT_EQ(robot.Seen().size(), 1u);
        const SeenWindow &seen = robot.Seen()[0];
        EXPECT_EQ(seen.kind, SeenWindow::MessageBox);
        EXPECT_EQ(seen.caption, L"Zifferbox");
        EXPECT_EQ(seen.text, L"Unvollständige Eingabe.");
        EXPECT_EQ(seen.flags, c.flags);
        EXPECT_TRUE(seen.expected);
        EXPECT_EQ(robot.PendingAnswers(), 0u);
    }
}

TEST(Robot, CancelsWhatNobodyExpectedSoNoTestHangs)
{
    Robot robot;
    robot.SetFallback(100);
    EXPECT_EQ(MessageBoxW(nullptr, L"Unerwartet", L"Zifferbox", MB_OKCANCEL | MB_ICONSTOP), IDCANCEL);
    // A dialog whose procedure ignores Cancel is ended all the same.
    const INT_PTR result = RunDeviceDialog(
        GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG || message == WM_COMMAND; },
        0);
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Unexpected(), 2u);
    EXPECT_EQ(robot.Seen()[0].text, L"Unerwartet");
    EXPECT_EQ(robot.Seen()[1].kind, SeenWindow::Dialog);
    EXPECT_EQ(robot.Seen()[1].caption, L"Kategorien");
}

TEST(Robot, DrivesADialogThatAsksAQuestionOfItsOwn)
{
    Robot robot;
    int boxAnswer = 0;
    robot.OnDialog([&](HWND dialog) {
        robot.AnswerMessageBox(IDOK);
        boxAnswer = MessageBoxW(dialog, L"Fortfahren?", L"Zifferbox", MB_OKCANCEL | MB_ICONEXCLAMATION);
        SetDlgItemTextW(dialog, IDC_NEW_CATEGORY_EDIT, L"Software");
        EndDialog(dialog, 1);
    });
    const INT_PTR result = RunDeviceDialog(
        GetModuleHandleW(nullptr), IDD_CATEGORY_LIST, nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxAnswer, IDOK);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].kind, SeenWindow::Dialog);
    EXPECT_EQ(robot.Seen()[1].text, L"Fortfahren?");
    EXPECT_EQ(robot.Unexpected(), 0u);
}

}  // namespace
