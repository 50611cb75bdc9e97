#include "app_support/dialog_driver.h"
#include "dialogs/object_editor.h"
#include "objectstore/file.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "app_support/main_window_session.h"
#include "support/robot.h"
#include "support/test_env.h"
#include <gtest/gtest.h>
#include <algorithm>

using Objects = std::vector<ObjectFields>;
using Names = std::vector<std::wstring>;

namespace {

const std::vector<SessionObject> someObjects = {
    {L"Adressbuch", L"AB-123", L"Version 2", L"Software"},
    {L"Bohrmaschine", L"BM-1", L"", L"Geräte"},
    {L"Notizblock", L"", L"ohne Nummer", L""},
    {L"Radio", L"R-5", L"", L"Musik"},  // a category that no longer exists
};
const std::vector<const wchar_t *> someCategories = {L"Software", L"Geräte"};

const wchar_t INCOMPLETE[] = L"Unvollständige Eingabe.";
const wchar_t DISCARD[] = L"Damit verwerfen Sie die vorgenommenen Änderungen. Fortfahren?";
const wchar_t WRITE_FAILED[] = L"Das Objekt konnte nicht gespeichert werden.";
constexpr UINT ERROR_FLAGS = MB_ICONSTOP | MB_OKCANCEL;

struct EditorView {
    std::wstring caption, name, serialNumber, remark, category;
    Names categories;
};

EditorView Read(HWND dialog)
{
    EditorView view;
    view.caption = WindowText(dialog);
    view.name = ItemText(dialog, IDC_NAME_EDIT);
    view.serialNumber = ItemText(dialog, IDC_SERIAL_EDIT);
    view.remark = ItemText(dialog, IDC_REMARK_EDIT);
    view.category = ComboSelection(GetDlgItem(dialog, IDC_CATEGORY_COMBO));
    view.categories = ComboEntries(GetDlgItem(dialog, IDC_CATEGORY_COMBO));
    return view;
}

void PickCategory(HWND dialog, const wchar_t *category)
{
    const HWND combo = GetDlgItem(dialog, IDC_CATEGORY_COMBO);
    SendMessageW(combo, CB_SETCURSEL, SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(category)), 0);
    Notify(dialog, IDC_CATEGORY_COMBO, CBN_SELENDOK);
}

void Fill(HWND dialog, const wchar_t *name, const wchar_t *serialNumber, const wchar_t *remark)
{
    Type(dialog, IDC_NAME_EDIT, name);
    Type(dialog, IDC_SERIAL_EDIT, serialNumber);
    Type(dialog, IDC_REMARK_EDIT, remark);
}

// A store whose file writes fail, as on a full disk; restored when the scope ends.
class FullDisk {
public:
    FullDisk()
    {
        ops = RealStoreFileOps();
        ops.writeFile = [](HANDLE, const void *, DWORD, DWORD *written) -> BOOL {
            *written = 0;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        };
        InstallProcessStore(ops);
    }
    ~FullDisk() { InstallProcessStore(RealStoreFileOps()); }

private:
    StoreFileOps ops;
};

}  // namespace

TEST(ObjectEditor, OkWithoutAChangeWritesNothingInEitherMode)
{
    // Modify of an object without serial number must not complain: nothing was changed.
    for (int mode : {IDM_NEW_OBJECT, IDM_MODIFY}) {
        MainWindowSession session(someObjects, someCategories);
        SelectObject(2);
        ASSERT_EQ(WindowText(nameLabel), L"Notizblock");
        const std::string before = ReadWholeFile(session.storePath);
        Robot robot;
        bool ran = false;
        robot.OnDialog([&](HWND dialog) {
            ran = true;
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        OpenObjectEditor(session.window, mode);
        EXPECT_TRUE(ran) << mode;
        EXPECT_TRUE(robot.Seen().size() == 1 && robot.Unexpected() == 0) << mode;
        EXPECT_EQ(ReadWholeFile(session.storePath), before) << mode;
        EXPECT_EQ(SelectedPosition(), 2) << mode;
        EXPECT_EQ(GetFocus(), objectList) << mode;
    }
}

TEST(ObjectEditor, EveryKindOfChangeNotificationCountsAsAChange)
{
    // Even opening and closing the category list without a choice counts.
    const struct {
        int id;
        int code;
    } changes[] = {{IDC_NAME_EDIT, EN_CHANGE}, {IDC_REMARK_EDIT, EN_CHANGE},
                   {IDC_CATEGORY_COMBO, CBN_SELENDOK}, {IDC_CATEGORY_COMBO, CBN_SELENDCANCEL}};
    for (const auto &change : changes) {
        MainWindowSession session(someObjects, someCategories);
        SelectObject(2);  // no serial number: OK after a change must refuse it
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            Notify(dialog, change.id, change.code);
            robot.AnswerMessageBox(IDOK);
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            robot.AnswerMessageBox(IDOK);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        OpenObjectEditor(session.window, IDM_MODIFY);
        ASSERT_EQ(robot.Seen().size(), 3u) << change.code;
        EXPECT_EQ(robot.Seen()[1].text, INCOMPLETE);
        EXPECT_EQ(robot.Seen()[2].text, DISCARD);
        EXPECT_EQ(robot.Unexpected(), 0u);
    }
}

TEST(ObjectEditor, IncompleteInputIsRefusedOnceAndKeptInTheOpenDialog)
{
    const struct {
        const wchar_t *name;
        const wchar_t *serialNumber;
    } incomplete[] = {{L"", L"SN-1"}, {L"Kamera", L""}, {L"", L""}};
    for (const auto &input : incomplete) {
        MainWindowSession session(someObjects, someCategories);
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            Fill(dialog, input.name, input.serialNumber, L"Bemerkung");
            robot.AnswerMessageBox(IDOK);
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(ItemText(dialog, IDC_NAME_EDIT), input.name);
            EXPECT_EQ(ItemText(dialog, IDC_SERIAL_EDIT), input.serialNumber);
            EXPECT_EQ(ItemText(dialog, IDC_REMARK_EDIT), L"Bemerkung");
            // Completed, the same dialog stores it. Blanks count as text.
            Fill(dialog, L" ", L"  ", L"Bemerkung");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        OpenObjectEditor(session.window, IDM_NEW_OBJECT);
        ASSERT_EQ(robot.Seen().size(), 2u);
        EXPECT_EQ(robot.Seen()[1].text, INCOMPLETE);
        EXPECT_EQ(robot.Seen()[1].caption, L"Zifferbox");
        EXPECT_EQ(robot.Seen()[1].flags, ERROR_FLAGS);
        EXPECT_EQ(robot.Unexpected(), 0u);
        EXPECT_EQ(StoredObjects().size(), someObjects.size() + 1);
        EXPECT_EQ(StoredObjects()[0], (ObjectFields{L" ", L"  ", L"Bemerkung", L""}));
    }
}

TEST(ObjectEditor, NewObjectIsStoredAndSelectedWhenItPassesTheFilter)
{
    const struct {
        const wchar_t *filter;
        const wchar_t *preselected;
        const wchar_t *stored;   // category stored when OK is pressed with the preselection
        Names listed;            // main list afterwards
        int selected;
    } cases[] = {
        {L" - Alle -", L" - Ohne -", L"", {L"Adressbuch", L"Bohrmaschine", L"Kamera", L"Notizblock", L"Radio"}, 2},
        {L" - Ohne -", L" - Ohne -", L"", {L"Kamera", L"Notizblock"}, 0},
        {L"Geräte", L"Geräte", L"Geräte", {L"Bohrmaschine", L"Kamera"}, 1},
    };
    for (const auto &c : cases) {
        MainWindowSession session(someObjects, someCategories, c.filter);
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            const EditorView view = Read(dialog);
            EXPECT_EQ(view.caption, L"Neues Objekt");
            EXPECT_EQ(view.category, c.preselected) << c.filter;
            EXPECT_EQ(view.name + view.serialNumber + view.remark, L"");
            EXPECT_EQ(view.categories, (Names{L" - Ohne -", L"Geräte", L"Software"}));
            Fill(dialog, L"Kamera", L"K-9", L"");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        OpenObjectEditor(session.window, IDM_NEW_OBJECT);
        EXPECT_EQ(robot.Unexpected(), 0u);
        EXPECT_EQ(ListedNames(), c.listed) << c.filter;
        EXPECT_EQ(SelectedPosition(), c.selected) << c.filter;
        EXPECT_EQ(WindowText(nameLabel), L"Kamera");
        EXPECT_EQ(WindowText(categoryLabel), c.stored);
        EXPECT_EQ(GetFocus(), objectList);
    }
}

TEST(ObjectEditor, NewObjectOutsideTheFilterIsStoredButNotSelected)
{
    MainWindowSession session(someObjects, someCategories, L"Software");
    Robot robot;
    robot.OnDialog([&](HWND dialog) {
        Fill(dialog, L"Säge", L"S-1", L"");
        PickCategory(dialog, L"Geräte");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    OpenObjectEditor(session.window, IDM_NEW_OBJECT);
    EXPECT_EQ(ListedNames(), (Names{L"Adressbuch"}));
    EXPECT_EQ(SelectedPosition(), -1);
    EXPECT_EQ(WindowText(nameLabel), L"");
    const Objects stored = StoredObjects();
    EXPECT_EQ(stored.size(), someObjects.size() + 1);
    EXPECT_EQ(stored[4], (ObjectFields{L"Säge", L"S-1", L"", L"Geräte"}));
}

TEST(ObjectEditor, CategoryBoxLosesOnlyTheAllEntryEvenWhenANameSortsAheadOfIt)
{
    // Names with a leading blank or punctuation sort with or ahead of " - Alle -".
    const std::vector<const wchar_t *> tricky = {L" Aal", L"  - Alle", L"!Wichtig", L" - alle -", L"Zubehör"};
    MainWindowSession session(someObjects, tricky);
    Robot robot;
    robot.OnDialog([&](HWND dialog) {
        Names entries = Read(dialog).categories;
        std::sort(entries.begin(), entries.end());
        Names expected = {L" Aal", L"  - Alle", L"!Wichtig", L" - alle -", L"Zubehör", L" - Ohne -"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries, expected);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    OpenObjectEditor(session.window, IDM_NEW_OBJECT);
    EXPECT_EQ(robot.Unexpected(), 0u);
}

TEST(ObjectEditor, ModifyShowsTheSelectedObjectAndRewritesIt)
{
    const struct {
        int position;
        EditorView shown;
        const wchar_t *pick;       // category chosen before OK (nullptr: rename instead)
        ObjectFields stored;       // the object afterwards
        int storedAt;              // its database position
    } cases[] = {
        {0, {L"Objekt bearbeiten", L"Adressbuch", L"AB-123", L"Version 2", L"Software", {}}, L"Geräte",
         {L"Adressbuch", L"AB-123", L"Version 2", L"Geräte"}, 0},
        // The deleted category "Musik" is not offered: the box starts on " - Ohne -".
        {3, {L"Objekt bearbeiten", L"Radio", L"R-5", L"", L" - Ohne -", {}}, nullptr,
         {L"Antenne", L"R-5", L"", L""}, 1},
    };
    for (const auto &c : cases) {
        MainWindowSession session(someObjects, someCategories);
        SelectObject(c.position);
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            EditorView view = Read(dialog);
            view.categories.clear();
            EXPECT_EQ(view.caption, c.shown.caption);
            EXPECT_EQ(view.name, c.shown.name);
            EXPECT_EQ(view.serialNumber, c.shown.serialNumber);
            EXPECT_EQ(view.remark, c.shown.remark);
            EXPECT_EQ(view.category, c.shown.category);
            if (c.pick)
                PickCategory(dialog, c.pick);
            else
                Type(dialog, IDC_NAME_EDIT, L"Antenne");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        OpenObjectEditor(session.window, IDM_MODIFY);
        EXPECT_EQ(robot.Unexpected(), 0u);
        const Objects stored = StoredObjects();
        ASSERT_EQ(stored.size(), someObjects.size());
        EXPECT_EQ(stored[c.storedAt], c.stored);
        // The list follows the new name order and keeps the object selected.
        EXPECT_EQ(SelectedPosition(), c.storedAt);
        EXPECT_EQ(WindowText(nameLabel), c.stored.name);
    }
}

TEST(ObjectEditor, LongFieldsAreStoredWith254Characters)
{
    MainWindowSession session(someObjects, someCategories);
    const std::wstring name(300, L'N'), serialNumber(300, L'7'), remark(300, L'ü');
    Robot robot;
    robot.OnDialog([&](HWND dialog) {
        Fill(dialog, name.c_str(), serialNumber.c_str(), remark.c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    OpenObjectEditor(session.window, IDM_NEW_OBJECT);
    const Objects stored = StoredObjects();
    ASSERT_EQ(stored.size(), someObjects.size() + 1);
    EXPECT_EQ(stored[2], (ObjectFields{name.substr(0, 254), serialNumber.substr(0, 254), remark.substr(0, 254), L""}));
}

TEST(ObjectEditor, CancelAndCloseAskBeforeDiscardingAChange)
{
    const struct {
        UINT message;
        WPARAM wParam;
        UINT flags;  // the question's buttons, icon and default button
    } ways[] = {{WM_COMMAND, IDCANCEL, MB_ICONEXCLAMATION | MB_OKCANCEL},
                {WM_CLOSE, 0, MB_ICONEXCLAMATION | MB_OKCANCEL | MB_DEFBUTTON2}};
    for (const auto &way : ways) {
        MainWindowSession session(someObjects, someCategories);
        const std::string before = ReadWholeFile(session.storePath);
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            Fill(dialog, L"Kamera", L"K-9", L"neu");
            robot.AnswerMessageBox(IDCANCEL);
            SendMessageW(dialog, way.message, way.wParam, 0);
            EXPECT_TRUE(IsWindowVisible(dialog)) << way.message;
            EXPECT_EQ(ItemText(dialog, IDC_NAME_EDIT), L"Kamera");
            EXPECT_EQ(ItemText(dialog, IDC_REMARK_EDIT), L"neu");
            robot.AnswerMessageBox(IDOK);
            SendMessageW(dialog, way.message, way.wParam, 0);
        });
        OpenObjectEditor(session.window, IDM_NEW_OBJECT);
        ASSERT_EQ(robot.Seen().size(), 3u) << way.message;
        for (size_t i : {1, 2}) {
            EXPECT_EQ(robot.Seen()[i].text, DISCARD);
            EXPECT_EQ(robot.Seen()[i].caption, L"Zifferbox");
            EXPECT_EQ(robot.Seen()[i].flags, way.flags) << way.message;
        }
        EXPECT_EQ(robot.Unexpected(), 0u);
        EXPECT_EQ(ReadWholeFile(session.storePath), before);
        // The modal run has ended and given the main window back to the user.
        EXPECT_TRUE(IsWindowEnabled(session.window)) << way.message;
        EXPECT_EQ(GetFocus(), objectList);
    }
}

TEST(ObjectEditor, CloseWithoutAChangeEndsAtOnceAndEnablesTheOwner)
{
    MainWindowSession session(someObjects, someCategories);
    Robot robot;
    robot.OnDialog([&](HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); });
    OpenObjectEditor(session.window, IDM_NEW_OBJECT);
    EXPECT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Unexpected(), 0u);
    EXPECT_TRUE(IsWindowEnabled(session.window));
}

TEST(ObjectEditor, FailedWriteKeepsTheDialogAndTheInput)
{
    // Modify: the retry after the failure writes over the same object and adds no copy.
    for (int mode : {IDM_NEW_OBJECT, IDM_MODIFY}) {
        MainWindowSession session(someObjects, someCategories);
        SelectObject(1);
        Robot robot;
        robot.OnDialog([&](HWND dialog) {
            Fill(dialog, L"Kamera", L"K-9", L"neu");
            {
                FullDisk full;
                robot.AnswerMessageBox(IDOK);
                SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            }
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(ItemText(dialog, IDC_NAME_EDIT), L"Kamera");
            EXPECT_EQ(ItemText(dialog, IDC_SERIAL_EDIT), L"K-9");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        OpenObjectEditor(session.window, mode);
        ASSERT_EQ(robot.Seen().size(), 2u) << mode;
        EXPECT_EQ(robot.Seen()[1].text, WRITE_FAILED);
        EXPECT_EQ(robot.Seen()[1].caption, L"Zifferbox");
        EXPECT_EQ(robot.Seen()[1].flags, ERROR_FLAGS);
        EXPECT_EQ(robot.Unexpected(), 0u);
        const Objects stored = StoredObjects();
        const size_t expectedCount = someObjects.size() + (mode == IDM_NEW_OBJECT ? 1 : 0);
        ASSERT_EQ(stored.size(), expectedCount) << mode;
        const Names names = ListedNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), L"Kamera"), 1) << mode;
        if (mode == IDM_MODIFY) {
            EXPECT_EQ(std::count(names.begin(), names.end(), L"Bohrmaschine"), 0);
        }
        EXPECT_EQ(WindowText(nameLabel), L"Kamera");
    }
}
