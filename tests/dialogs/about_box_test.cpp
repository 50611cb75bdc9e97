#include "app_support/dialog_driver.h"
#include "dialogs/about_box.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "store/object_database.h"
#include "app_support/main_window_session.h"
#include "support/robot.h"
#include <gtest/gtest.h>

namespace {

struct AboutView {
    std::wstring caption, title, notice, count;
    HFONT titleItemFont = nullptr, countItemFont = nullptr;
};

AboutView ShowAbout(HWND owner)
{
    AboutView view;
    Robot robot;
    robot.OnDialog([&](HWND dialog) {
        view.caption = WindowText(dialog);
        view.title = ItemText(dialog, IDC_ABOUT_TITLE);
        view.notice = ItemText(dialog, IDC_ABOUT_NOTICE);
        view.count = ItemText(dialog, IDC_ABOUT_COUNT);
        view.titleItemFont = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_ABOUT_TITLE, WM_GETFONT, 0, 0));
        view.countItemFont = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_ABOUT_COUNT, WM_GETFONT, 0, 0));
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ShowAboutBox(owner);
    EXPECT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Unexpected(), 0u);
    return view;
}

}  // namespace

TEST(AboutBox, ShowsNameVersionNoticeAndTheObjectCount)
{
    const struct {
        int objects;
        const wchar_t *countLine;
    } cases[] = {{0, L""}, {1, L"1 Datensatz"}, {25, L"25 Datensätze"}};
    for (const auto &c : cases) {
        std::vector<SessionObject> objects;
        std::vector<std::wstring> names;
        for (int i = 0; i < c.objects; ++i)
            names.push_back(L"Objekt " + std::to_wstring(i));
        for (size_t i = 0; i < names.size(); ++i)
            objects.push_back({names[i].c_str(), L"1", L"", i % 2 ? L"Software" : L""});
        MainWindowSession session(objects, {L"Software"}, L"Software");
        const AboutView view = ShowAbout(session.window);
        EXPECT_EQ(view.caption, L"Info");
        EXPECT_EQ(view.title, L"Zifferbox 1.6");
        EXPECT_FALSE(view.notice.empty());
        EXPECT_EQ(view.count, c.countLine) << c.objects;  // all objects, not only the filter's
        EXPECT_EQ(view.titleItemFont, titleFont);
        EXPECT_EQ(view.countItemFont, textFont);
        EXPECT_TRUE(IsWindowEnabled(session.window));
    }
}

TEST(AboutBox, ACountTheStoreCannotTellShowsMinusOne)
{
    // No database is open: the store cannot report its size.
    appInstance = GetModuleHandleW(nullptr);
    ASSERT_EQ(objectDatabase.objectCount(), -1);
    const AboutView view = ShowAbout(nullptr);
    EXPECT_EQ(view.count, L"-1 Datensätze");
    EXPECT_EQ(view.title, L"Zifferbox 1.6");
}
