#include "shell/object_commands.h"
#include "dialogs/about_box.h"
#include "dialogs/category_list.h"
#include "dialogs/object_editor.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "shell/clipboard_exchange.h"
#include "shell/main_window.h"
#include "shell/store_messages.h"
#include "store/object_database.h"

namespace {

const WCHAR kDeleteQuestion[] = L"Das ausgewählte Objekt wird endgültig gelöscht. Fortfahren?";

bool HasSelection()
{
    return SendMessageW(objectList, LB_GETCURSEL, 0, 0) != LB_ERR;
}

// Modify writes over the database's current record: without a selection that is not an object
// the user chose, so the shortcut does nothing then, as the grayed menu item would.
void ModifySelectedObject(HWND window)
{
    if (HasSelection())
        OpenObjectEditor(window, IDM_MODIFY);
}

void DuplicateSelectedObject(HWND window)
{
    // A failed copy would paste whatever the clipboard held before; a failed paste leaves no copy
    // to edit.
    if (HasSelection() && CopyObject(window) && PasteObject())
        OpenObjectEditor(window, IDM_MODIFY);
}

void CutSelectedObject(HWND window)
{
    // The object is deleted only once it is safely on the clipboard.
    if (CopyObject(window))
        DeleteSelectedObject(nullptr);
}

}  // namespace

void DeleteSelectedObject(HWND owner)
{
    if (owner && MessageBoxW(owner, kDeleteQuestion, L"Zifferbox", MB_ICONEXCLAMATION | MB_OKCANCEL) != IDOK)
        return;
    const int position = static_cast<int>(SendMessageW(objectList, LB_GETCURSEL, 0, 0));
    objectDatabase.deleteFilteredObject(position);
    ShowIfChangedOutside(owner ? owner : mainWindow);
    objectDatabase.fillFilteredNameList(objectList);
    const int count = static_cast<int>(SendMessageW(objectList, LB_GETCOUNT, 0, 0));
    SendMessageW(objectList, LB_SETCURSEL, position >= count - 1 ? count - 1 : position, 0);
    RefreshDetails();
}

bool RunObjectCommand(HWND window, int commandId)
{
    switch (commandId) {
    case IDM_NEW_OBJECT:    OpenObjectEditor(window, IDM_NEW_OBJECT); break;
    case IDM_MODIFY:        ModifySelectedObject(window); break;
    case IDM_DUPLICATE:     DuplicateSelectedObject(window); break;
    case IDM_DELETE:        DeleteSelectedObject(window); break;
    case IDM_CUT:           CutSelectedObject(window); break;
    case IDM_COPY:          CopyObject(window); break;
    case IDM_PASTE:         PasteObject(); break;
    case IDM_CATEGORY_LIST: ShowCategoryList(appInstance, window); SetFocus(objectList); break;
    case IDM_ABOUT:         ShowAboutBox(window); SetFocus(objectList); break;
    default:                return false;
    }
    return true;
}
