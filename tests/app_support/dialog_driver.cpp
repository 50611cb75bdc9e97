#include "app_support/dialog_driver.h"
#include "shell/main_window.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"

std::wstring ItemText(HWND dialog, int id)
{
    WCHAR text[1024] = L"";
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

void Type(HWND dialog, int id, const std::wstring &text)
{
    SetDlgItemTextW(dialog, id, text.c_str());
}

void Click(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Notify(HWND dialog, int id, int code)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::wstring> ComboEntries(HWND combo)
{
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        WCHAR text[1024] = L"";
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<std::wstring> ListEntries(HWND list)
{
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        WCHAR text[1024] = L"";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<ObjectFields> StoredObjects()
{
    WCHAR savedFilter[kFieldCapacity];
    CopyField(savedFilter, categoryFilter);
    CopyField(categoryFilter, kAllCategories);
    std::vector<ObjectFields> objects;
    for (int i = 0;; ++i) {
        WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
        objectDatabase.readFilteredObject(i, name, serialNumber, remark, category);
        if (objectDatabase.CurrentObject() == 0)
            break;
        objects.push_back({name, serialNumber, remark, category});
    }
    CopyField(categoryFilter, savedFilter);
    return objects;
}

std::vector<std::wstring> StoredCategories()
{
    // An unsorted list box keeps the database's order; the two filter entries come last.
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    categoryDatabase.fillCategoryList(list, LB_RESETCONTENT, LB_ADDSTRING);
    std::vector<std::wstring> names = ListEntries(list);
    DestroyWindow(list);
    if (names.size() >= 2 && names[names.size() - 2] == kAllCategories && names.back() == kNoCategory)
        names.resize(names.size() - 2);
    else
        names.push_back(L"<filter entries missing>");
    return names;
}

void SelectObject(int position)
{
    SendMessageW(objectList, LB_SETCURSEL, position, 0);
    RefreshDetails();
}
