#include "dialogs/object_editor.h"
#include "platform/device_dialog.h"
#include "platform/entry_search.h"
#include "platform/help_viewer.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/field_text.h"
#include "shell/main_window.h"
#include "shell/store_messages.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include <cwchar>

namespace {

const WCHAR kCaption[] = L"Zifferbox";
const WCHAR kNewCaption[] = L"Neues Objekt";
const WCHAR kModifyCaption[] = L"Objekt bearbeiten";
const WCHAR kIncompleteText[] = L"Unvollständige Eingabe.";
const WCHAR kWriteFailedText[] = L"Das Objekt konnte nicht gespeichert werden.";
const WCHAR kDiscardText[] = L"Damit verwerfen Sie die vorgenommenen Änderungen. Fortfahren?";
const WCHAR kNewHelp[] = L"zifferbox.htp#new";
const WCHAR kModifyHelp[] = L"zifferbox.htp#modify";

// Only one editor is open at a time: its state belongs to the process.
int mode = IDM_NEW_OBJECT;
bool changed = false;
// The record a modify writes over: a failed write leaves the database without a current record,
// and writing over "no record" would add a copy instead.
CEOID editedRecord = 0;

struct ObjectFields {
    WCHAR name[kFieldCapacity];
    WCHAR serialNumber[kFieldCapacity];
    WCHAR remark[kFieldCapacity];
    WCHAR category[kFieldCapacity];
};

void SelectCategory(HWND combo, const WCHAR *category)
{
    int found = FindComboEntry(combo, category, false);
    // Not found: " - Ohne -", looked up by its text, since a category may sort ahead of it.
    if (found == CB_ERR)
        found = FindComboEntry(combo, kNoCategory, true);
    SendMessageW(combo, CB_SETCURSEL, found == CB_ERR ? 0 : found, 0);
}

void FillCategoryCombo(HWND combo)
{
    categoryDatabase.fillCategoryList(combo, CB_RESETCONTENT, CB_ADDSTRING);
    // A category may sort ahead of " - Alle -": remove that entry by its text, not by position.
    const int all = FindComboEntry(combo, kAllCategories, true);
    if (all != CB_ERR)
        SendMessageW(combo, CB_DELETESTRING, all, 0);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

INT_PTR OnInitDialog(HWND dialog, LPARAM parameter)
{
    const LONG_PTR extended = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE, extended | WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP);

    const HWND combo = GetDlgItem(dialog, IDC_CATEGORY_COMBO);
    FillCategoryCombo(combo);
    mode = static_cast<int>(parameter);

    if (mode == IDM_MODIFY) {
        SetWindowTextW(dialog, kModifyCaption);
        ObjectFields shown;
        GetFieldText(nameLabel, shown.name);
        GetFieldText(serialLabel, shown.serialNumber);
        GetFieldText(remarkLabel, shown.remark);
        GetFieldText(categoryLabel, shown.category);
        SetDlgItemTextW(dialog, IDC_NAME_EDIT, shown.name);
        SetDlgItemTextW(dialog, IDC_SERIAL_EDIT, shown.serialNumber);
        SetDlgItemTextW(dialog, IDC_REMARK_EDIT, shown.remark);
        SelectCategory(combo, shown.category);
        editedRecord = objectDatabase.CurrentObject();
    } else {
        SetWindowTextW(dialog, kNewCaption);
        SelectCategory(combo, categoryFilter);
        editedRecord = 0;
    }
    // Filling the fields raised change notifications; they are not the user's changes.
    changed = false;
    return TRUE;
}

// Makes the edited object the database's current record again after a failed write.
bool RecoverEditedRecord()
{
    if (objectDatabase.CurrentObject() == editedRecord)
        return true;
    const int selected = static_cast<int>(SendMessageW(objectList, LB_GETCURSEL, 0, 0));
    ObjectFields stored;
    objectDatabase.readFilteredObject(selected, stored.name, stored.serialNumber, stored.remark, stored.category);
    return objectDatabase.CurrentObject() == editedRecord;
}

CEOID WriteObject(const ObjectFields &fields)
{
    if (mode != IDM_MODIFY)
        return objectDatabase.writeNewObject(fields.name, fields.serialNumber, fields.remark, fields.category);
    if (editedRecord != 0 && !RecoverEditedRecord())
        return 0;
    return objectDatabase.overwriteCurrentObject(fields.name, fields.serialNumber, fields.remark, fields.category);
}

INT_PTR OnOk(HWND dialog)
{
    if (!changed) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    ObjectFields fields;
    GetFieldText(GetDlgItem(dialog, IDC_NAME_EDIT), fields.name);
    GetFieldText(GetDlgItem(dialog, IDC_SERIAL_EDIT), fields.serialNumber);
    GetFieldText(GetDlgItem(dialog, IDC_REMARK_EDIT), fields.remark);
    GetFieldText(GetDlgItem(dialog, IDC_CATEGORY_COMBO), fields.category);
    if (fields.name[0] == L'\0' || fields.serialNumber[0] == L'\0') {
        MessageBoxW(dialog, kIncompleteText, kCaption, MB_ICONSTOP | MB_OKCANCEL);
        return FALSE;
    }
    if (wcscmp(fields.category, kNoCategory) == 0)
        fields.category[0] = L'\0';

    // The input stays in the dialog until it is stored: the user can try again or cancel.
    if (WriteObject(fields) == 0) {
        ShowRefusedChange(dialog, kWriteFailedText);
        return TRUE;
    }
    EndDialog(dialog, 1);
    RefillObjectList(objectDatabase.indexOfCurrentObject());
    return TRUE;
}

// Cancel asks with OK as the default button, the close box with Cancel as the default.
bool MayDiscard(HWND dialog, UINT defaultButton)
{
    if (!changed)
        return true;
    return MessageBoxW(dialog, kDiscardText, kCaption, MB_ICONEXCLAMATION | MB_OKCANCEL | defaultButton) == IDOK;
}

INT_PTR OnCancel(HWND dialog)
{
    if (MayDiscard(dialog, MB_DEFBUTTON1))
        EndDialog(dialog, 1);
    return TRUE;
}

INT_PTR OnClose(HWND dialog)
{
    // Destroying a modal dialog directly would leave its owner disabled: end it instead.
    if (MayDiscard(dialog, MB_DEFBUTTON2))
        EndDialog(dialog, 1);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == CBN_SELENDOK || code == CBN_SELENDCANCEL || code == EN_CHANGE) {
        changed = true;
        return TRUE;
    }
    switch (id) {
    case IDOK:     return OnOk(dialog);
    case IDCANCEL: return OnCancel(dialog);
    }
    return FALSE;
}

INT_PTR OnHelp()
{
    StartHelpViewer(mode == IDM_MODIFY ? kModifyHelp : kNewHelp);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK ObjectEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lParam);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    case WM_CLOSE:      return OnClose(dialog);
    case WM_HELP:       return OnHelp();
    }
    return FALSE;
}

void OpenObjectEditor(HWND owner, int mode)
{
    RunDeviceDialog(appInstance, IDD_OBJECT_EDITOR, owner, ObjectEditorDialogProc, mode);
    SetFocus(objectList);
}
