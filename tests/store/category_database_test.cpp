#include "store_fixture.h"

using Names = std::vector<std::wstring>;

TEST_F(StoreTest, EmptyCategoryListHoldsOnlyTheTwoReservedEntries)
{
    EXPECT_EQ(categoriesSent(), (Names{L" - Alle -", L" - Ohne -"}));
    EXPECT_EQ(categoryDatabase.findCategory(L"Software"), 0u);
    EXPECT_FALSE(categoryDatabase.deleteCategoryAt(0));

    // A record without a name, as foreign or damaged data may hold, offers no empty entry.
    CEOID id = 0;
    const HANDLE categories = CeOpenDatabase(&id, const_cast<LPWSTR>(L"Zifferbox-Kategorien"), 0, 0, nullptr);
    ASSERT_NE(categories, INVALID_HANDLE_VALUE);
    CEPROPVAL other = {};
    other.propid = 0x0009001F;
    other.val.lpwstr = const_cast<LPWSTR>(L"kein Name");
    EXPECT_NE(CeWriteRecordProps(categories, 0, 1, &other), 0u);
    CeCloseDatabase(categories);
    categoryDatabase.addCategory(L"Software");
    EXPECT_EQ(categoriesSent(), (Names{L"Software", L" - Alle -", L" - Ohne -"}));
}

TEST_F(StoreTest, CategoriesAreFoundIgnoringCaseAndSentInNameOrder)
{
    const CEOID software = categoryDatabase.addCategory(L"Software");
    ASSERT_NE(software, 0u);
    categoryDatabase.addCategory(L"Äpfel");
    categoryDatabase.addCategory(L"geräte");
    EXPECT_EQ(categoryDatabase.findCategory(L"software"), software);
    EXPECT_EQ(categoryDatabase.findCategory(L"SOFTWARE"), software);
    EXPECT_EQ(categoryDatabase.findCategory(L"Soft"), 0u);
    EXPECT_EQ(categoriesSent(), (Names{L"Äpfel", L"geräte", L"Software", L" - Alle -", L" - Ohne -"}));
}

TEST_F(StoreTest, DeleteByPositionRemovesThatCategoryOnly)
{
    categoryDatabase.addCategory(L"B");
    categoryDatabase.addCategory(L"A");
    categoryDatabase.addCategory(L"C");
    add(L"Objekt", L"B");
    EXPECT_FALSE(categoryDatabase.deleteCategoryAt(3));
    EXPECT_FALSE(categoryDatabase.deleteCategoryAt(-1));
    EXPECT_TRUE(categoryDatabase.deleteCategoryAt(1));
    EXPECT_EQ(categoriesSent(), (Names{L"A", L"C", L" - Alle -", L" - Ohne -"}));
    // Objects keep the text of a deleted category.
    setFilter(L"B");
    EXPECT_EQ(listed(), (Names{L"Objekt"}));
}

TEST_F(StoreTest, DatabasePositionsMatchASortedListBox)
{
    const wchar_t *tricky[] = {L"Zulu", L"beta", L"Äpfel", L"Alpha", L"alpha", L"9", L"10", L"_x", L" zeta", L" Beta",
                               L"über", L"Ubahn", L"-strich"};
    for (const wchar_t *name : tricky)
        categoryDatabase.addCategory(name);
    HWND sorted = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    for (const wchar_t *name : tricky)
        SendMessageW(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    const Names fromStore = categoriesSent();
    for (int i = 0; i < static_cast<int>(std::size(tricky)); ++i) {
        // Names equal but for case may stand either way round in the list box; compare ignoring it.
        EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, fromStore[i].c_str(), -1,
                                 ListText(sorted, i).c_str(), -1),
                  CSTR_EQUAL)
            << "position " << i;
    }
    DestroyWindow(sorted);
}
