#include "support/message_boxes.h"
#include <algorithm>
#include "support/child_process.h"

namespace {

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], length + 1));
    return text;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context)
{
    auto *seen = reinterpret_cast<SeenMessageBox *>(context);
    if (!IsWindowVisible(child))
        return TRUE;
    const std::wstring className = ClassOf(child);
    if (lstrcmpiW(className.c_str(), L"Button") == 0) {
        seen->buttons.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiW(className.c_str(), L"Static") == 0) {
        // The icon control is there in every box; only its picture tells.
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen->hasIcon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
        else if (seen->text.empty())
            seen->text = TextOf(child);
    }
    return TRUE;
}

}  // namespace

SeenMessageBox WaitForMessageBox(HANDLE process, DWORD timeoutMs)
{
    SeenMessageBox seen;
    const DWORD processId = GetProcessId(process);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    // Looks at least once, so a zero timeout asks "is a box there now?".
    do {
        HWND box = FindProcessWindow(processId, L"#32770", true);
        if (box) {
            // Give the box a moment to finish its WM_INITDIALOG (text, hidden buttons).
            Sleep(100);
            seen.box = box;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.caption = TextOf(box);
            EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen));
            std::sort(seen.buttons.begin(), seen.buttons.end());
            return seen;
        }
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0)
            break;
    } while (GetTickCount64() < deadline);
    return seen;
}

std::wstring MessageBoxText(HWND box)
{
    WCHAR text[1024] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

void PressButton(HWND box, int id)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    // Until the box is gone it would be found again as the next one.
    for (int i = 0; i < 250 && IsWindow(box); ++i)
        Sleep(20);
}
