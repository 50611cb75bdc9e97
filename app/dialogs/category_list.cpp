#include "dialogs/category_list.h"
#include "platform/device_dialog.h"
#include "platform/entry_search.h"
#include "platform/help_viewer.h"
#include "resources/resource.h"
#include "shell/field_text.h"
#include "shell/main_window.h"
#include "shell/store_messages.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include <cwchar>

namespace {

const WCHAR kAddFailedText[] = L"Die Kategorie konnte nicht gespeichert werden.";
const WCHAR kCategoriesHelp[] = L"zifferbox.htp#categories";

// The entry's text into a 256-character buffer; false when there is no such entry or it is longer.
bool GetEntryText(HWND list, int index, WCHAR *text)
{
    text[0] = L'\0';
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= kFieldCapacity)
        return false;
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return true;
}

void RemoveEntry(HWND list, const WCHAR *text)
{
    const int found = FindListEntry(list, text, true);
    if (found != LB_ERR)
        SendMessageW(list, LB_DELETESTRING, found, 0);
}

// Only category names are listed; the two filter entries are not categories.
void RefillList(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, IDC_CATEGORY_LIST);
    categoryDatabase.fillCategoryList(list, LB_RESETCONTENT, LB_ADDSTRING);
    RemoveEntry(list, kAllCategories);
    RemoveEntry(list, kNoCategory);
}

// A name may be added when it is not empty, not a filter entry and not yet a category in any case.
bool CanAdd(HWND dialog, const WCHAR *text)
{
    return GetWindowTextLengthW(GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT)) != 0 && text[0] != L'\0' &&
           !IsReservedFilterText(text) && categoryDatabase.findCategory(text) == 0;
}

void UpdateDeleteButton(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, IDC_CATEGORY_LIST);
    bool enable = false;
    const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    WCHAR entry[kFieldCapacity];
    if (SendMessageW(list, LB_GETCOUNT, 0, 0) > 0 && selected >= 0 && GetEntryText(list, selected, entry))
        enable = !IsReservedFilterText(entry);
    EnableWindow(GetDlgItem(dialog, IDC_DELETE_CATEGORY), enable);
}

INT_PTR OnInitDialog(HWND dialog)
{
    const LONG_PTR extended = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE, extended | WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP);
    EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    RefillList(dialog);
    return TRUE;
}

INT_PTR OnInputChanged(HWND dialog)
{
    WCHAR text[kFieldCapacity];
    GetFieldText(GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT), text);
    // Names never begin with a blank or a control character. Setting the shortened text raises
    // this notification once more, which then finds nothing left to remove.
    size_t leading = 0;
    while (text[leading] != L'\0' && text[leading] <= L' ')
        ++leading;
    if (leading > 0) {
        wmemmove(text, text + leading, wcslen(text + leading) + 1);
        SetDlgItemTextW(dialog, IDC_NEW_CATEGORY_EDIT, text);
    }
    EnableWindow(GetDlgItem(dialog, IDC_ADD_CATEGORY), CanAdd(dialog, text));
    return TRUE;
}

INT_PTR OnAdd(HWND dialog)
{
    // Enter in the input field reaches this handler even while the button is disabled.
    WCHAR text[kFieldCapacity];
    GetFieldText(GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT), text);
    if (!CanAdd(dialog, text))
        return TRUE;
    if (categoryDatabase.addCategory(text) == 0) {
        ShowRefusedChange(dialog, kAddFailedText);
        return TRUE;
    }
    RefreshFilterControl();
    RefillList(dialog);
    SetDlgItemTextW(dialog, IDC_NEW_CATEGORY_EDIT, L"");
    SetFocus(GetDlgItem(dialog, IDC_NEW_CATEGORY_EDIT));
    return TRUE;
}

INT_PTR OnDelete(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, IDC_CATEGORY_LIST);
    const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    WCHAR name[kFieldCapacity];
    if (selected < 0 || !GetEntryText(list, selected, name) || IsReservedFilterText(name))
        return TRUE;
    // The record is found by the name the user selected, never by a position alone.
    if (!categoryDatabase.deleteCategoryAt(categoryDatabase.PositionOfCategory(name)))
        ShowIfChangedOutside(dialog);
    RefreshFilterControl();
    RefillList(dialog);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    SendMessageW(list, LB_SETCURSEL, selected < count - 1 ? selected : count - 1, 0);
    SetFocus(list);
    // The list may have had the focus already; then no focus notification sets the button.
    UpdateDeleteButton(dialog);
    return TRUE;
}

INT_PTR OnListNotify(HWND dialog, int code)
{
    if (code != LBN_SELCHANGE && code != LBN_SETFOCUS && code != LBN_KILLFOCUS)
        return FALSE;
    UpdateDeleteButton(dialog);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_NEW_CATEGORY_EDIT: return code == EN_CHANGE ? OnInputChanged(dialog) : FALSE;
    case IDC_CATEGORY_LIST:     return OnListNotify(dialog, code);
    case IDC_ADD_CATEGORY:      return OnAdd(dialog);
    case IDC_DELETE_CATEGORY:   return OnDelete(dialog);
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnHelp()
{
    StartHelpViewer(kCategoriesHelp);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK CategoryListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    case WM_HELP:       return OnHelp();
    }
    return FALSE;
}

INT_PTR ShowCategoryList(HINSTANCE instance, HWND owner)
{
    return RunDeviceDialog(instance, IDD_CATEGORY_LIST, owner, CategoryListDialogProc, 0);
}
