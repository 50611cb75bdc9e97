#include "store_fixture.h"
#include "app_support/main_window_session.h"
#include "support/test_env.h"

namespace {
int testNumber = 0;
}

void StoreTest::SetUp()
{
    // The databases are process globals: each test works in a store file of its own.
    storePath = UseFreshStoreFile((L"store-classes-" + std::to_wstring(++testNumber)).c_str());
    UseScratchCurrentUserKey();
    ASSERT_FALSE(objectDatabase.openOrCreate(L"Zifferbox"));
    ASSERT_FALSE(categoryDatabase.openOrCreate(L"Zifferbox-Kategorien"));
    CopyField(categoryFilter, kAllCategories);
    list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_NOTIFY, 0, 0, 200, 200, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
}

void StoreTest::TearDown()
{
    DestroyWindow(list);
    // Close both databases so the next test's store file is opened afresh.
    ResetStoreGlobals();
    RestoreCurrentUserKey();
}

CEOID StoreTest::add(const wchar_t *name, const wchar_t *category, const wchar_t *serial, const wchar_t *remark)
{
    return objectDatabase.writeNewObject(name, serial, remark, category);
}

void StoreTest::setFilter(const wchar_t *filter)
{
    CopyField(categoryFilter, filter);
}

std::wstring ListText(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return L"<none>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::vector<std::wstring> StoreTest::listed()
{
    objectDatabase.fillFilteredNameList(list);
    std::vector<std::wstring> names;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        names.push_back(ListText(list, i));
    return names;
}

std::vector<std::wstring> StoreTest::categoriesSent()
{
    categoryDatabase.fillCategoryList(list, LB_RESETCONTENT, LB_ADDSTRING);
    std::vector<std::wstring> names;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        names.push_back(ListText(list, i));
    return names;
}
