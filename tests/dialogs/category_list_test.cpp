#include "app_support/dialog_driver.h"
#include "dialogs/category_list.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "app_support/main_window_session.h"
#include "support/robot.h"
#include <gtest/gtest.h>

using Names = std::vector<std::wstring>;

namespace {

const std::vector<SessionObject> someObjects = {
    {L"Adressbuch", L"AB-123", L"", L"Software"},
    {L"Bohrmaschine", L"BM-1", L"", L"Geräte"},
    {L"Notizblock", L"N-1", L"", L""},
};
const std::vector<const wchar_t *> someCategories = {L"Software", L"Geräte", L"Musik"};

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_CATEGORY_LIST); }
bool AddEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_ADD_CATEGORY)) != FALSE; }
bool DeleteEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE_CATEGORY)) != FALSE; }

void SelectEntry(HWND dialog, int index)
{
    SendMessageW(List(dialog), LB_SETCURSEL, index, 0);
    Notify(dialog, IDC_CATEGORY_LIST, LBN_SELCHANGE);
}

// Runs the dialog with `action`, then closes it with the caption's OK.
void RunCategoryList(HWND owner, const std::function<void(HWND)> &action)
{
    Robot robot;
    bool ran = false;
    robot.OnDialog([&](HWND dialog) {
        ran = true;
        action(dialog);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ShowCategoryList(appInstance, owner), 1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(robot.Unexpected(), 0u);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

}  // namespace

TEST(CategoryList, ListPositionsAreDatabasePositionsForTrickyNames)
{
    // Names that the comparison tells apart. Names that compare equal ("alpha" and "Alpha",
    // "straße" and "Strasse") may stand in either order: see the delete test below.
    const std::vector<const wchar_t *> tricky = {
        L"Zulu", L"äpfel", L"Apfel", L" Leer", L"  zwei", L"_x", L"-Strich", L"!Wichtig", L"10", L"9",
        L"2b", L"alpha", L"Ölfilter", L"Oel", L"straße", L"é", L"e", L"f", L"Ähre", L"ähnlich", L"Zürich", L"zz",
    };
    MainWindowSession session(someObjects, tricky);
    const Names database = StoredCategories();
    ASSERT_EQ(database.size(), tricky.size());
    RunCategoryList(session.window, [&](HWND dialog) {
        EXPECT_EQ(ListEntries(List(dialog)), database);
        EXPECT_EQ(SendMessageW(List(dialog), LB_GETCURSEL, 0, 0), LB_ERR);
        EXPECT_FALSE(AddEnabled(dialog));
        EXPECT_FALSE(DeleteEnabled(dialog));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT));
    });
}

TEST(CategoryList, DeleteRemovesTheRecordOfTheSelectedName)
{
    // Names that differ only in letter case compare equal: the sorted list and the database may
    // order them differently, and only the text tells them apart.
    const std::vector<const wchar_t *> twins = {L"alpha", L"Alpha", L"ALPHA", L"beta", L"straße", L"Strasse"};
    for (const wchar_t *victim : {L"alpha", L"Alpha", L"ALPHA", L"straße", L"Strasse"}) {
        MainWindowSession session(someObjects, twins);
        RunCategoryList(session.window, [&](HWND dialog) {
            const Names listed = ListEntries(List(dialog));
            const int index = static_cast<int>(std::find(listed.begin(), listed.end(), victim) - listed.begin());
            ASSERT_LT(index, static_cast<int>(listed.size()));
            SelectEntry(dialog, index);
            Click(dialog, IDC_DELETE_CATEGORY);
        });
        Names expected;
        for (const wchar_t *name : twins)
            if (std::wstring(name) != victim)
                expected.push_back(name);
        Names stored = StoredCategories();
        std::sort(stored.begin(), stored.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(stored, expected) << victim;
    }
}

TEST(CategoryList, InputLosesLeadingBlanksAndEnablesAddOnlyForNewNames)
{
    const struct {
        const wchar_t *typed;
        const wchar_t *shown;
        bool addEnabled;
    } inputs[] = {
        {L" ", L"", false},
        {L" \t  Neu", L"Neu", true},
        {L"\x01Neu", L"Neu", true},
        {L"Software", L"Software", false},
        {L"SOFTWARE", L"SOFTWARE", false},
        {L"geräte", L"geräte", false},
        {L" - Alle -", L"- Alle -", true},  // a blank can never begin a name: the filter texts can't be typed
        {L"Soft", L"Soft", true},
        {L"", L"", false},
    };
    MainWindowSession session(someObjects, someCategories);
    RunCategoryList(session.window, [&](HWND dialog) {
        for (const auto &input : inputs) {
            Type(dialog, IDC_NEW_CATEGORY_EDIT, input.typed);
            EXPECT_EQ(ItemText(dialog, IDC_NEW_CATEGORY_EDIT), input.shown) << input.typed;
            EXPECT_EQ(AddEnabled(dialog), input.addEnabled) << input.typed;
        }
        // A blank typed as the first character goes at once.
        Type(dialog, IDC_NEW_CATEGORY_EDIT, L"");
        SendDlgItemMessageW(dialog, IDC_NEW_CATEGORY_EDIT, WM_CHAR, L' ', 0);
        EXPECT_EQ(ItemText(dialog, IDC_NEW_CATEGORY_EDIT), L"");
        EXPECT_FALSE(AddEnabled(dialog));
    });
}

TEST(CategoryList, EnterWithAnInvalidNameAddsNothing)
{
    MainWindowSession session(someObjects, someCategories);
    const Names before = StoredCategories();
    RunCategoryList(session.window, [&](HWND dialog) {
        for (const wchar_t *typed : {L"software", L"", L"   "}) {
            Type(dialog, IDC_NEW_CATEGORY_EDIT, typed);
            Click(dialog, IDC_ADD_CATEGORY);  // Enter reaches the default button
        }
        EXPECT_EQ(ListEntries(List(dialog)), (Names{L"Geräte", L"Musik", L"Software"}));
    });
    EXPECT_EQ(StoredCategories(), before);
}

TEST(CategoryList, AddStoresTheNameAndOffersItInTheFilterAtOnce)
{
    MainWindowSession session(someObjects, someCategories);
    RunCategoryList(session.window, [&](HWND dialog) {
        Type(dialog, IDC_NEW_CATEGORY_EDIT, L"  Bücher");
        ASSERT_TRUE(AddEnabled(dialog));
        Click(dialog, IDC_ADD_CATEGORY);
        EXPECT_EQ(ItemText(dialog, IDC_NEW_CATEGORY_EDIT), L"");
        EXPECT_FALSE(AddEnabled(dialog));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT));
        EXPECT_EQ(ListEntries(List(dialog)), (Names{L"Bücher", L"Geräte", L"Musik", L"Software"}));
        EXPECT_EQ(SendMessageW(List(dialog), LB_GETCURSEL, 0, 0), LB_ERR);
        EXPECT_EQ(ComboEntries(filterCombo), (Names{L" - Alle -", L" - Ohne -", L"Bücher", L"Geräte", L"Musik", L"Software"}));
        EXPECT_EQ(ComboSelection(filterCombo), L" - Alle -");
        // The same name again, in any case, is refused.
        Type(dialog, IDC_NEW_CATEGORY_EDIT, L"BÜCHER");
        EXPECT_FALSE(AddEnabled(dialog));
    });
    EXPECT_EQ(StoredCategories(), (Names{L"Bücher", L"Geräte", L"Musik", L"Software"}));
}

TEST(CategoryList, DeleteSelectsTheNeighbourAndFollowsTheSelection)
{
    const struct {
        std::vector<const wchar_t *> categories;
        int selected;
        Names left;
        int selectedAfter;
        bool deleteEnabledAfter;
    } cases[] = {
        {{L"A", L"B", L"C"}, 1, {L"A", L"C"}, 1, true},
        {{L"A", L"B", L"C"}, 2, {L"A", L"B"}, 1, true},  // the last: the new last is selected
        {{L"A"}, 0, {}, -1, false},                      // the only one: nothing left to delete
    };
    for (const auto &c : cases) {
        MainWindowSession session(someObjects, c.categories);
        RunCategoryList(session.window, [&](HWND dialog) {
            EXPECT_FALSE(DeleteEnabled(dialog));
            SelectEntry(dialog, c.selected);
            EXPECT_TRUE(DeleteEnabled(dialog));
            Click(dialog, IDC_DELETE_CATEGORY);
            EXPECT_EQ(ListEntries(List(dialog)), c.left);
            EXPECT_EQ(SendMessageW(List(dialog), LB_GETCURSEL, 0, 0), c.selectedAfter);
            EXPECT_EQ(DeleteEnabled(dialog), c.deleteEnabledAfter);
            EXPECT_EQ(GetFocus(), List(dialog));
            // A delete without a selection does nothing.
            SendMessageW(List(dialog), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            Click(dialog, IDC_DELETE_CATEGORY);
            EXPECT_EQ(ListEntries(List(dialog)), c.left);
        });
        EXPECT_EQ(StoredCategories(), c.left);
        Names offered = c.left;
        offered.insert(offered.begin(), {L" - Alle -", L" - Ohne -"});
        EXPECT_EQ(ComboEntries(filterCombo), offered);
    }
}

TEST(CategoryList, DeletingTheFilterCategoryShowsAllObjectsAndKeepsTheirCategory)
{
    MainWindowSession session(someObjects, someCategories, L"Software");
    ASSERT_EQ(ListedNames(), (Names{L"Adressbuch"}));
    RunCategoryList(session.window, [&](HWND dialog) {
        const Names listed = ListEntries(List(dialog));
        SelectEntry(dialog, static_cast<int>(std::find(listed.begin(), listed.end(), L"Software") - listed.begin()));
        Click(dialog, IDC_DELETE_CATEGORY);
        // The main window has followed already, while the dialog is still open.
        EXPECT_EQ(ComboSelection(filterCombo), L" - Alle -");
    });
    EXPECT_STREQ(categoryFilter, L" - Alle -");
    EXPECT_EQ(ListedNames(), (Names{L"Adressbuch", L"Bohrmaschine", L"Notizblock"}));
    EXPECT_EQ(SelectedPosition(), 0);
    EXPECT_EQ(WindowText(categoryLabel), L"Software");  // the object keeps its category
    EXPECT_EQ(StoredFilter(), L"Software");             // the registry keeps the old text
    EXPECT_EQ(StoredObjects()[0].category, L"Software");
    // It is listed under " - Alle -" only: not without category.
    PickFilter(L" - Ohne -");
    EXPECT_EQ(ListedNames(), (Names{L"Notizblock"}));
}

TEST(CategoryList, CloseWithoutChangesLeavesTheMainWindowAsItWas)
{
    MainWindowSession session(someObjects, someCategories, L"Geräte");
    RunCategoryList(session.window, [](HWND dialog) {});
    EXPECT_EQ(ComboSelection(filterCombo), L"Geräte");
    EXPECT_EQ(ListedNames(), (Names{L"Bohrmaschine"}));
    EXPECT_EQ(SelectedPosition(), 0);
}
