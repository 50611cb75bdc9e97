#include "dialogs/about_box.h"
#include "platform/device_dialog.h"
#include "resources/resource.h"
#include "shell/application.h"
#include "store/object_database.h"
#include <cwchar>

namespace {

const WCHAR kProgramName[] = L"Zifferbox";
const WCHAR kVersion[] = L" 1.6";

void SetItemFont(HWND dialog, int id, HFONT font)
{
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// "" for no objects, else the count and "Datensatz" or "Datensätze"; a failed count (-1) shows too.
void FormatCount(int count, WCHAR *text, size_t capacity)
{
    if (count == 0) {
        text[0] = L'\0';
        return;
    }
    swprintf(text, capacity, L"%d %ls", count, count == 1 ? L"Datensatz" : L"Datensätze");
}

INT_PTR OnInitDialog(HWND dialog)
{
    SetItemFont(dialog, IDC_ABOUT_TITLE, titleFont);
    SetItemFont(dialog, IDC_ABOUT_NOTICE, textFont);
    SetItemFont(dialog, IDC_ABOUT_COUNT, textFont);

    WCHAR title[32];
    swprintf(title, 32, L"%ls%ls", kProgramName, kVersion);
    SetDlgItemTextW(dialog, IDC_ABOUT_TITLE, title);

    WCHAR count[32];
    FormatCount(objectDatabase.objectCount(), count, 32);
    SetDlgItemTextW(dialog, IDC_ABOUT_COUNT, count);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL)
        return FALSE;
    EndDialog(dialog, 1);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK AboutBoxDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    }
    return FALSE;
}

void ShowAboutBox(HWND owner)
{
    RunDeviceDialog(appInstance, IDD_ABOUT, owner, AboutBoxDialogProc, 0);
}
