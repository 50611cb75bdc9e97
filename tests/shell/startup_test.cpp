// The real zifferbox.exe as separate processes: single instance, the start-up error, exit codes.
#include "support/child_process.h"
#include "support/message_boxes.h"
#include "app_support/main_window_session.h"
#include "support/test_env.h"
#include <gtest/gtest.h>

namespace {

const std::wstring program = WinePathOf(ZIFFERBOX_EXE);

HWND FindMainWindow()
{
    return FindWindowW(L"Zifferbox", L"Zifferbox");
}

TEST(Startup, SecondStartHandsOverToTheFirstAndEndsWithCodeZero)
{
    const std::wstring store = UseFreshStoreFile(L"startup-single");
    ChildProcess first(program);
    ASSERT_TRUE(first.started());
    HWND window = first.waitForWindow(L"Zifferbox", 15000);
    ASSERT_NE(window, nullptr);
    const std::string storeBefore = ReadWholeFile(store);

    ChildProcess second(program, L"irgendein Text auf der Befehlszeile");
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(15000), 0u);
    // The second copy opened no database: it showed no error and left the store as it was.
    EXPECT_EQ(second.waitForWindow(nullptr, 0), nullptr);
    EXPECT_EQ(FindMainWindow(), window);
    EXPECT_EQ(ReadWholeFile(store), storeBefore);

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.wait(15000), 0u);
    EXPECT_EQ(FindMainWindow(), nullptr);
}

TEST(Startup, DamagedStoreShowsTheErrorOnceAndLeavesTheFileAlone)
{
    const std::wstring store = UseFreshStoreFile(L"startup-damaged");
    const std::string damaged = "Das ist keine Zifferbox-Datei, sondern etwas ganz anderes.";
    ASSERT_TRUE(WriteWholeFile(store, damaged));

    ChildProcess run(program);
    ASSERT_TRUE(run.started());
    HWND box = run.waitForWindow(L"#32770", 15000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Fehler beim Öffnen der Datenbank.\nDas Programm muß beendet werden.");
    EXPECT_EQ(WindowText(box), L"Zifferbox");
    PressButton(box, IDOK);
    EXPECT_EQ(run.wait(15000), 0u);
    EXPECT_EQ(FindMainWindow(), nullptr);
    EXPECT_EQ(ReadWholeFile(store), damaged);
}

}  // namespace
