// The clipboard text format and its reader, on the real desktop clipboard.
#include "command_test_support.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/clipboard_exchange.h"
#include "shell/clipboard_format.h"
#include "shell/main_window.h"
#include "store/category_filter.h"
#include <gtest/gtest.h>
#include <cstring>

using Names = std::vector<std::wstring>;

namespace {

TEST(ClipboardFormat, SeparatorsAndFieldLimits)
{
    const std::wstring longField(300, L'x');
    const struct {
        std::wstring text;
        ObjectFields expected;
    } cases[] = {
        {L"Editor\r\n123-456\r\n\r\nSoftware\r\n", {L"Editor", L"123-456", L"", L"Software"}},
        {L"abc", {L"abc", L"", L"", L""}},
        {L"abc\t123", {L"abc", L"123", L"", L""}},
        {L"a\nb\rc\td", {L"a", L"b", L"c", L"d"}},
        {L"a\t\r\nb\n\rc\r\td", {L"a", L"b", L"c", L"d"}},
        {L"a\r\n\r\nc\r\nd\r\ne\r\nf\r\n", {L"a", L"", L"c", L"d"}},
        {L"a\t\tc", {L"a", L"", L"c", L""}},
        {L"Bemerkung\tmit\tTab\r\nX", {L"Bemerkung", L"mit", L"Tab", L"X"}},
        {longField + L"\r\nS", {std::wstring(255, L'x'), std::wstring(45, L'x'), L"S", L""}},
        {L"", {L"", L"", L"", L""}},
    };
    for (const auto &c : cases) {
        wchar_t fields[4][256];
        const wchar_t *position = c.text.c_str();
        const wchar_t *end = position + c.text.size() + 1;
        for (auto &field : fields)
            position = ParseClipboardField(field, position, end);
        EXPECT_EQ((ObjectFields{fields[0], fields[1], fields[2], fields[3]}), c.expected)
            << "text of " << c.text.size() << " characters";
    }
}

TEST(ClipboardFormat, ParserNeverReadsPastTheEnd)
{
    // The text stops at `end` without a terminator; the field ends there, and again for the rest.
    const wchar_t text[] = {L'a', L'b', L'\r', L'\n', L'c', L'd', L'X'};
    wchar_t field[256];
    const wchar_t *end = text + 6;
    const wchar_t *position = ParseClipboardField(field, text, end);
    EXPECT_STREQ(field, L"ab");
    position = ParseClipboardField(field, position, end);
    EXPECT_STREQ(field, L"cd");
    EXPECT_EQ(position, end);
    position = ParseClipboardField(field, position, end);
    EXPECT_STREQ(field, L"");
    EXPECT_EQ(position, end);
}

TEST(ClipboardExchange, CopyWritesTheShownObjectLineByLine)
{
    MainWindowSession session({{L"Editor", L"123-456", L"", L"Software"}, {L"Zange", L"Z", L"", L""}}, {L"Software"});
    Command(IDM_COPY);
    EXPECT_EQ(ClipboardText(), L"Editor\r\n123-456\r\n\r\nSoftware\r\n");
    SelectObject(1);
    // Leave garbage where the next block is likely to come from: none of it may reach the clipboard.
    for (size_t size : {36u, 48u}) {
        HGLOBAL dirty = GlobalAlloc(GMEM_MOVEABLE, size);
        memset(GlobalLock(dirty), 0x2d, size);
        GlobalUnlock(dirty);
        GlobalFree(dirty);
    }
    Command(IDM_COPY);
    EXPECT_EQ(ClipboardText(), L"Zange\r\nZ\r\n\r\n\r\n");
    const std::wstring block = ClipboardBlock();
    ASSERT_GT(block.size(), ClipboardText().size());
    EXPECT_EQ(block.find_first_not_of(L'\0', ClipboardText().size()), std::wstring::npos)
        << "characters after the terminator";
    EXPECT_TRUE(MenuItemEnabled(IDM_PASTE));
    EXPECT_EQ(ListedNames().size(), 2u);
    EXPECT_EQ(SelectedPosition(), 1);
}

TEST(ClipboardExchange, PasteStateFollowsTheClipboardOnEveryActivation)
{
    MainWindowSession session(threeObjects, twoCategories);
    const struct {
        std::wstring text;
        bool pasteable;
    } cases[] = {
        {L"abc", false}, {L"abc\t123", true}, {L"\r\nnur Seriennummer", false}, {L"Name\r\nNummer\r\n", true},
    };
    for (const auto &c : cases) {
        for (WPARAM state : {static_cast<WPARAM>(WA_ACTIVE), static_cast<WPARAM>(WA_INACTIVE)}) {
            PutClipboardText(c.text);
            SendMessageW(mainWindow, WM_ACTIVATE, state, 0);
            EXPECT_EQ(MenuItemEnabled(IDM_PASTE), c.pasteable) << c.text.size();
            EXPECT_EQ(ButtonEnabled(IDM_PASTE), c.pasteable);
            // Emptied by another program: gray again.
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
            SendMessageW(mainWindow, WM_ACTIVATE, state, 0);
            EXPECT_FALSE(MenuItemEnabled(IDM_PASTE));
        }
    }
}

TEST(ClipboardExchange, PastedTabSeparatedObjectIsStoredWithoutCategory)
{
    MainWindowSession session(threeObjects, twoCategories);
    PutClipboardText(L"Dora\tD-4");
    SendMessageW(mainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    Command(IDM_PASTE);
    EXPECT_EQ(ListedNames(), (Names{L"Anton", L"Bert", L"Cäsar", L"Dora"}));
    EXPECT_EQ(SelectedPosition(), 3);
    EXPECT_EQ(WindowText(categoryLabel), L"");
}

TEST(ClipboardExchange, ReservedCategoriesArePastedAsNoCategory)
{
    MainWindowSession session(threeObjects, twoCategories);
    for (const wchar_t *reserved : {L" - Alle -", L" - Ohne -"}) {
        PutClipboardText(std::wstring(L"Emil\r\nE\r\n\r\n") + reserved + L"\r\n");
        Command(IDM_PASTE);
        EXPECT_EQ(WindowText(nameLabel), L"Emil");
        EXPECT_EQ(WindowText(categoryLabel), L"");
    }
    EXPECT_EQ(StoredCategories(), (Names{L"Geräte", L"Software"}));
}

TEST(ClipboardExchange, UnknownCategoryIsAddedButTheFilterListWaitsForItsRefill)
{
    MainWindowSession session(threeObjects, twoCategories);
    PutClipboardText(L"Flöte\r\nF-9\r\nAltflöte\r\nmusik\r\n");
    Command(IDM_PASTE);
    EXPECT_EQ(StoredCategories(), (Names{L"Geräte", L"musik", L"Software"}));
    EXPECT_EQ(SendMessageW(filterCombo, CB_GETCOUNT, 0, 0), 4);
    // A known category in other letter case adds nothing.
    PutClipboardText(L"Geige\r\nG\r\n\r\nSOFTWARE\r\n");
    Command(IDM_PASTE);
    EXPECT_EQ(StoredCategories().size(), 3u);
    RefreshFilterControl();
    EXPECT_EQ(SendMessageW(filterCombo, CB_GETCOUNT, 0, 0), 5);
}

TEST(ClipboardExchange, PasteUnderAnotherFilterStoresButSelectsNothing)
{
    MainWindowSession session(threeObjects, twoCategories, L"Geräte");
    PutClipboardText(L"Gustav\r\nG-7\r\n\r\nSoftware\r\n");
    Command(IDM_PASTE);
    EXPECT_EQ(ListedNames(), (Names{L"Bert"}));
    EXPECT_EQ(SelectedPosition(), LB_ERR);
    EXPECT_EQ(StoredObjects().size(), 4u);
}

TEST(ClipboardExchange, HostileClipboardTextsAreReadSafely)
{
    MainWindowSession session(threeObjects, twoCategories);
    wchar_t name[256], serial[256], remark[256], category[256];

    PutClipboardText(L"Ohne\r\nEnde", false);
    EXPECT_TRUE(ReadClipboardObject(name, serial, remark, category));
    EXPECT_STREQ(name, L"Ohne");
    // Wine terminates a block that lacks it in place of its last character.
    EXPECT_TRUE(wcscmp(serial, L"Ende") == 0 || wcscmp(serial, L"End") == 0);
    EXPECT_STREQ(remark, L"");

    // Ten megabytes in one line: the fields take what fits and the rest is never looked at.
    std::wstring huge(5 * 1024 * 1024, L'q');
    PutClipboardText(huge);
    EXPECT_TRUE(ReadClipboardObject(name, serial, remark, category));
    EXPECT_EQ(std::wstring(name), std::wstring(255, L'q'));
    EXPECT_EQ(std::wstring(category), std::wstring(255, L'q'));

    // What is stored is what every control can read back: 254 characters of each field.
    Command(IDM_PASTE);
    EXPECT_EQ(WindowText(nameLabel), std::wstring(254, L'q'));
}

TEST(ClipboardExchange, LongestPastedCategoryCanBePickedAsFilter)
{
    MainWindowSession session(threeObjects, twoCategories);
    const std::wstring category(255, L'k');
    // A 300-character remark still ends after 255 characters; the rest is the category.
    PutClipboardText(L"Langer\r\nL-1\r\n" + std::wstring(300, L'r') + L"\r\n" + category + L"\r\n");
    Command(IDM_PASTE);
    const auto stored = StoredObjects();
    ASSERT_EQ(stored.size(), 4u);
    bool found = false;
    for (const ObjectFields &object : stored) {
        if (object.name != L"Langer")
            continue;
        found = true;
        EXPECT_EQ(object.remark, std::wstring(254, L'r'));
        EXPECT_EQ(object.category, std::wstring(45, L'r'));
    }
    EXPECT_TRUE(found);

    PutClipboardText(L"Lang\r\nL-2\r\n\r\n" + category + L"\r\n");
    Command(IDM_PASTE);
    RefreshFilterControl();
    PickFilter(category.substr(0, 254).c_str());
    EXPECT_EQ(StoredFilter(), category.substr(0, 254));
    EXPECT_EQ(ListedNames(), (Names{L"Lang"}));
}

}  // namespace
