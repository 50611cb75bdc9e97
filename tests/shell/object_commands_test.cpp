// Every object command through the real main window, its dialogs and the clipboard, with the
// entry that is selected afterwards.
#include "command_test_support.h"
#include "objectstore/file.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include <algorithm>
#include <gtest/gtest.h>

using Names = std::vector<std::wstring>;

namespace {

const wchar_t DELETE_QUESTION[] = L"Das ausgewählte Objekt wird endgültig gelöscht. Fortfahren?";

void FillEditor(HWND dialog, const wchar_t *name, const wchar_t *serial, const wchar_t *category = nullptr)
{
    Type(dialog, IDC_NAME_EDIT, name);
    Type(dialog, IDC_SERIAL_EDIT, serial);
    if (category) {
        HWND combo = GetDlgItem(dialog, IDC_CATEGORY_COMBO);
        SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(category));
        Notify(dialog, IDC_CATEGORY_COMBO, CBN_SELENDOK);
    }
}

TEST(ObjectCommands, NewObjectIsListedAndSelectedAtItsPlace)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    std::wstring caption;
    robot.OnDialog([&](HWND dialog) {
        caption = WindowText(dialog);
        FillEditor(dialog, L"Berta", L"BE-7", L"Software");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(IDM_NEW_OBJECT);
    EXPECT_EQ(caption, L"Neues Objekt");
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Berta", L"Cäsar"}));
    EXPECT_EQ(SelectedPosition(), 2);
    EXPECT_EQ(WindowText(serialLabel), L"BE-7");
    EXPECT_EQ(WindowText(categoryLabel), L"Software");
    EXPECT_EQ(GetFocus(), objectList);
    EXPECT_EQ(robot.Unexpected(), 0u);
}

TEST(ObjectCommands, NewObjectOutsideTheFilterIsStoredButNotSelected)
{
    MainWindowSession session(threeObjects, twoCategories, L"Geräte");
    Robot robot;
    robot.OnDialog([](HWND dialog) {
        FillEditor(dialog, L"Aal", L"1", L"Software");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(IDM_NEW_OBJECT);
    EXPECT_EQ(ListedNames(), (Names{L"Bert"}));
    EXPECT_EQ(SelectedPosition(), LB_ERR);
    EXPECT_EQ(WindowText(nameLabel), L"");
    EXPECT_FALSE(MenuItemEnabled(IDM_DELETE));
    EXPECT_EQ(StoredObjects().size(), 4u);
}

TEST(ObjectCommands, ModifyMovesTheRenamedObjectAndKeepsItSelected)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    std::wstring caption, shownName;
    robot.OnDialog([&](HWND dialog) {
        caption = WindowText(dialog);
        shownName = ItemText(dialog, IDC_NAME_EDIT);
        Type(dialog, IDC_NAME_EDIT, L"Zacharias");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(IDM_MODIFY);
    EXPECT_EQ(caption, L"Objekt bearbeiten");
    EXPECT_EQ(shownName, L"Anton");
    EXPECT_EQ(ListedNames(), (Names{L"Bert", L"Cäsar", L"Zacharias"}));
    EXPECT_EQ(SelectedPosition(), 2);
    EXPECT_EQ(WindowText(serialLabel), L"A-1");
    EXPECT_EQ(StoredObjects().size(), 3u);
}

TEST(ObjectCommands, CancelledOrUnchangedEditorLeavesListAndSelection)
{
    MainWindowSession session(threeObjects, twoCategories);
    SelectObject(1);
    Robot robot;
    robot.OnDialog([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDOK, 0); });
    Command(IDM_MODIFY);
    robot.OnDialog([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    Command(IDM_NEW_OBJECT);
    EXPECT_EQ(SelectedPosition(), 1);
    EXPECT_EQ(StoredObjects().size(), 3u);
    EXPECT_EQ(robot.Unexpected(), 0u);
}

TEST(ObjectCommands, ModifyAndDuplicateWithoutSelectionChangeNothing)
{
    MainWindowSession session(threeObjects, twoCategories);
    const auto before = StoredObjects();
    SelectObject(-1);
    Robot robot;
    robot.SetFallback(300);
    for (int command : {IDM_MODIFY, IDM_DUPLICATE}) {
        SCOPED_TRACE(command);
        const size_t seen = robot.Seen().size();
        Command(command);
        AwaitAboutSentinel(robot);
        ASSERT_EQ(robot.Seen().size(), seen + 1) << "a window besides the About box";
        EXPECT_EQ(robot.Seen().back().caption, L"Info");
    }
    EXPECT_EQ(robot.Unexpected(), 0u);
    EXPECT_EQ(StoredObjects(), before);
}

TEST(ObjectCommands, DuplicateEndsInTheEditorOnTheSelectedCopy)
{
    MainWindowSession session(threeObjects, twoCategories);
    SelectObject(1);
    Robot robot;
    ObjectFields shown;
    std::wstring caption;
    robot.OnDialog([&](HWND dialog) {
        caption = WindowText(dialog);
        shown = {ItemText(dialog, IDC_NAME_EDIT), ItemText(dialog, IDC_SERIAL_EDIT), ItemText(dialog, IDC_REMARK_EDIT),
                 ItemText(dialog, IDC_CATEGORY_COMBO)};
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Command(IDM_DUPLICATE);
    EXPECT_EQ(caption, L"Objekt bearbeiten");
    EXPECT_EQ(shown, (ObjectFields{L"Bert", L"B-2", L"zweiter", L"Geräte"}));
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Bert", L"Cäsar"}));
    // The copy was written after the original, so it stands second among the equal names.
    EXPECT_EQ(SelectedPosition(), 2);
    EXPECT_EQ(ClipboardText(), L"Bert\r\nB-2\r\nzweiter\r\nGeräte\r\n");
}

TEST(ObjectCommands, DeleteAsksAndSelectsTheEntryThatMovedUp)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    SelectObject(1);
    robot.AnswerMessageBox(IDCANCEL);
    Command(IDM_DELETE);
    EXPECT_EQ(ListedNames().size(), 3u);
    EXPECT_EQ(SelectedPosition(), 1);

    robot.AnswerMessageBox(IDOK);
    Command(IDM_DELETE);
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Cäsar"}));
    EXPECT_EQ(SelectedPosition(), 1);
    EXPECT_EQ(WindowText(nameLabel), L"Cäsar");

    robot.AnswerMessageBox(IDOK);
    Command(IDM_DELETE);  // the last entry: the new last one is selected
    EXPECT_EQ(ListedNames(), (Names{L"Anton"}));
    EXPECT_EQ(SelectedPosition(), 0);

    robot.AnswerMessageBox(IDOK);
    Command(IDM_DELETE);  // the only entry: nothing left to select
    EXPECT_TRUE(ListedNames().empty());
    EXPECT_EQ(SelectedPosition(), LB_ERR);
    EXPECT_EQ(WindowText(nameLabel), L"");
    for (int command : {IDM_CUT, IDM_COPY, IDM_MODIFY, IDM_DELETE, IDM_DUPLICATE})
        EXPECT_FALSE(MenuItemEnabled(command)) << command;

    ASSERT_EQ(robot.Seen().size(), 4u);
    for (const SeenWindow &box : robot.Seen()) {
        EXPECT_EQ(box.text, DELETE_QUESTION);
        EXPECT_EQ(box.caption, L"Zifferbox");
        EXPECT_EQ(box.flags & (MB_ICONMASK | MB_TYPEMASK), static_cast<UINT>(MB_ICONEXCLAMATION | MB_OKCANCEL));
    }
}

TEST(ObjectCommands, BackspaceAndDeleteKeysAskTheSameQuestion)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    for (WPARAM key : {static_cast<WPARAM>(VK_BACK), static_cast<WPARAM>(VK_DELETE)}) {
        robot.AnswerMessageBox(IDCANCEL);
        MSG message = {};
        message.hwnd = objectList;
        message.message = WM_KEYDOWN;
        message.wParam = key;
        EXPECT_TRUE(TranslateAcceleratorW(mainWindow, mainAccelerators, &message)) << key;
    }
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].text, DELETE_QUESTION);
    EXPECT_EQ(robot.Seen()[1].text, DELETE_QUESTION);
    EXPECT_EQ(ListedNames().size(), 3u);
}

TEST(ObjectCommands, CutRemovesWithoutAskingAndPasteBringsItBack)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    SelectObject(0);
    Command(IDM_CUT);
    EXPECT_TRUE(robot.Seen().empty());
    EXPECT_EQ(ListedNames(), (Names{L"Bert", L"Cäsar"}));
    EXPECT_EQ(SelectedPosition(), 0);
    EXPECT_EQ(ClipboardText(), L"Anton\r\nA-1\r\nerster\r\nSoftware\r\n");
    EXPECT_TRUE(MenuItemEnabled(IDM_PASTE));
    EXPECT_TRUE(ButtonEnabled(IDM_PASTE));

    Command(IDM_PASTE);
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar"}));
    EXPECT_EQ(SelectedPosition(), 0);
    EXPECT_EQ(WindowText(remarkLabel), L"erster");
}

TEST(ObjectCommands, CutKeepsTheObjectWhenTheClipboardCannotTakeIt)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    robot.AnswerMessageBox(IDOK);
    {
        ClipboardBlocker busy;
        Command(IDM_CUT);
    }
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].text,
              L"Das Objekt konnte nicht in die Zwischenablage kopiert werden. Versuchen Sie es später nochmals.");
    EXPECT_EQ(robot.Seen()[0].flags & (MB_ICONMASK | MB_TYPEMASK), static_cast<UINT>(MB_ICONSTOP | MB_OKCANCEL));
    EXPECT_EQ(ListedNames().size(), 3u);
    EXPECT_EQ(StoredObjects().size(), 3u);
}

TEST(ObjectCommands, DuplicateStopsWhenItsCopyFails)
{
    MainWindowSession session(threeObjects, twoCategories);
    PutClipboardText(L"Fremd\r\nF-1\r\n\r\n\r\n");
    Robot robot;
    robot.AnswerMessageBox(IDOK);
    {
        ClipboardBlocker busy;
        Command(IDM_DUPLICATE);
    }
    AwaitAboutSentinel(robot);
    ASSERT_EQ(robot.Seen().size(), 2u) << "the copy's error box, then the About box, and nothing between";
    EXPECT_EQ(robot.Seen()[0].kind, SeenWindow::MessageBox);
    EXPECT_EQ(robot.Seen()[1].caption, L"Info");
    EXPECT_EQ(StoredObjects().size(), 3u);
}

TEST(ObjectCommands, LabelTapAndDoubleClickOpenTheEditor)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    std::vector<std::wstring> captions;
    auto note = [&](HWND dialog) {
        captions.push_back(WindowText(dialog));
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    robot.OnDialog(note);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(serialLabel));
    robot.OnDialog(note);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(0, LBN_DBLCLK), reinterpret_cast<LPARAM>(objectList));
    SelectObject(-1);
    robot.OnDialog(note);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(remarkLabel));
    EXPECT_EQ(captions, (Names{L"Objekt bearbeiten", L"Objekt bearbeiten", L"Neues Objekt"}));
    EXPECT_EQ(GetFocus(), objectList);
}

TEST(ObjectCommands, FailedPasteWriteIsReportedAndChangesNothing)
{
    MainWindowSession session(threeObjects, twoCategories);
    PutClipboardText(L"Neu\r\nN-1\r\n\r\n\r\n");
    StoreFileOps failing = RealStoreFileOps();
    failing.flushFile = [](HANDLE) -> BOOL {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    Robot robot;
    robot.AnswerMessageBox(IDOK);
    InstallProcessStore(failing);
    Command(IDM_PASTE);
    InstallProcessStore(RealStoreFileOps());
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].text, L"Das Objekt konnte nicht gespeichert werden.");
    EXPECT_EQ(robot.Seen()[0].caption, L"Zifferbox");
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar"}));
    EXPECT_EQ(StoredObjects().size(), 3u);
}

// The refusals of a store whose file another program replaced: the delete and the paste that
// follow each say why, and the new file stays as it came.
TEST(ObjectCommands, AStoreReplacedOutsideRefusesEveryChangeWithItsOwnText)
{
    MainWindowSession session(threeObjects, twoCategories);
    const std::string replacement = "aus einer Sicherung\n";
    ASSERT_TRUE(WriteWholeFile(session.storePath + L".other", replacement));
    ASSERT_TRUE(RunLinuxCommand("mv '" + LinuxPathOf(session.storePath + L".other") + "' '" +
                                LinuxPathOf(session.storePath) + "'"));
    Robot robot;
    SelectObject(1);
    robot.AnswerMessageBox(IDOK);  // the delete question
    robot.AnswerMessageBox(IDOK);
    Command(IDM_DELETE);
    PutClipboardText(L"Neu\r\nN-1\r\n\r\n\r\n");
    robot.AnswerMessageBox(IDOK);
    Command(IDM_PASTE);
    ASSERT_EQ(robot.Seen().size(), 3u);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(robot.Seen()[i].text, L"Der Speicher wurde außerhalb von Zifferbox geändert. Zifferbox speichert "
                                        L"nichts mehr; bitte beenden Sie Zifferbox und starten Sie es neu.");
        EXPECT_EQ(robot.Seen()[i].caption, L"Zifferbox");
        EXPECT_EQ(robot.Seen()[i].flags & (MB_ICONMASK | MB_TYPEMASK), static_cast<UINT>(MB_ICONSTOP | MB_OKCANCEL));
    }
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar"}));
    EXPECT_EQ(ReadWholeFile(session.storePath), replacement);
}

// A torn end that a full disk keeps from being put aside: the start says so once, every object
// is listed, and a change is refused with the usual text.
TEST(ObjectCommands, AFullDiskAtStartIsToldOnceAndTheObjectsAreStillShown)
{
    StoreFileOps full = RealStoreFileOps();
    full.writeFile = [](HANDLE, const void *, DWORD, DWORD *written) -> BOOL {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    Robot robot;
    robot.AnswerMessageBox(IDOK);
    MainWindowSession session(threeObjects, twoCategories, nullptr, [&] {
        WCHAR path[MAX_PATH];
        ASSERT_TRUE(StoreFilePath(path, MAX_PATH));
        ASSERT_TRUE(WriteWholeFile(path, ReadWholeFile(path) + std::string("\x30\0\0", 3)));
        InstallProcessStore(full);
    });
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar"}));
    PutClipboardText(L"Neu\r\nN-1\r\n\r\n\r\n");
    robot.AnswerMessageBox(IDOK);
    Command(IDM_PASTE);
    InstallProcessStore(RealStoreFileOps());
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].text, L"Der Datenträger ist voll. Zifferbox zeigt Ihre Objekte, kann aber erst "
                                    L"wieder speichern, wenn Platz frei ist.");
    EXPECT_EQ(robot.Seen()[1].text, L"Das Objekt konnte nicht gespeichert werden.");
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar"}));
}

TEST(ObjectCommands, AboutAndCategoryListReturnTheFocusToTheList)
{
    MainWindowSession session(threeObjects, twoCategories);
    Robot robot;
    std::vector<std::wstring> captions;
    for (int command : {IDM_ABOUT, IDM_CATEGORY_LIST}) {
        robot.OnDialog([&](HWND dialog) {
            captions.push_back(WindowText(dialog));
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        SetFocus(filterCombo);
        Command(command);
        EXPECT_EQ(GetFocus(), objectList) << command;
    }
    EXPECT_EQ(captions, (Names{L"Info", L"Kategorien"}));
    EXPECT_EQ(SelectedPosition(), 0);
}

TEST(ObjectCommands, CategoriesSortingAheadOfTheReservedEntriesAreNotTakenForThem)
{
    // " !Eilt" and " - Abc" sort ahead of " - Alle -" and " - Ohne -" in the sorted boxes.
    MainWindowSession session({{L"Brief", L"B-1", L"", L"Gelöscht"}}, {L" !Eilt", L" - Abc", L"Software"}, L"Weg");
    EXPECT_EQ(ComboSelection(filterCombo), L" - Alle -");
    EXPECT_STREQ(categoryFilter, L" - Alle -");
    Robot robot;
    std::wstring shownCategory;
    std::vector<std::wstring> entries;
    robot.OnDialog([&](HWND dialog) {
        shownCategory = ItemText(dialog, IDC_CATEGORY_COMBO);
        entries = ComboEntries(GetDlgItem(dialog, IDC_CATEGORY_COMBO));
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Command(IDM_MODIFY);
    EXPECT_EQ(shownCategory, L" - Ohne -");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), L" - Alle -"), 0);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), L" - Abc"), 1);
}

}  // namespace
