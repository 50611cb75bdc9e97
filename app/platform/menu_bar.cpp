// The menu bar inside a command bar: one text button per popup of the menu resource, each
// opening its popup below itself. Alt+mnemonic, Alt or F10 open the popups from anywhere in the
// window; Left and Right move between the popups, as in a menu bar of the system.
#include "platform/menu_bar.h"
#include <commctrl.h>
#include <algorithm>
#include <vector>

namespace {

// Popup buttons carry these ids; they never reach the main window.
constexpr int kMenuButtonFirstId = 0xE100;
// Posted to the bar: open popup wParam as if chosen by keyboard.
constexpr UINT kOpenPopupMessage = WM_APP + 0x51;

struct MenuBar {
    HWND bar;
    HMENU menu;        // owned: destroyed with the bar
    int firstButton;   // toolbar index of the first popup button
    int buttonCount;   // one button per popup
};

// Menu bars of this thread. A pointer into it is good only until the next message runs.
std::vector<MenuBar> menuBars;
HHOOK keyHook = nullptr;

// The popup being shown and where the user wants to go next.
struct MenuTracking {
    HWND bar;
    int index;
    int next;
    bool nextFromKeyboard;
};
MenuTracking *tracking = nullptr;

MenuBar *FindMenuBar(HWND bar)
{
    for (MenuBar &entry : menuBars)
        if (entry.bar == bar) return &entry;
    return nullptr;
}

int MnemonicOf(const WCHAR *title)
{
    for (const WCHAR *p = title; *p; ++p) {
        if (*p != L'&') continue;
        if (p[1] == L'&') {
            ++p;
            continue;
        }
        return p[1];
    }
    return 0;
}

WCHAR UpperCase(WCHAR character)
{
    return (WCHAR)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)character);
}

int PopupOfMnemonic(const MenuBar &entry, WCHAR character)
{
    if (!character) return -1;
    for (int i = 0; i < entry.buttonCount; ++i) {
        WCHAR title[128] = L"";
        GetMenuStringW(entry.menu, i, title, ARRAYSIZE(title), MF_BYPOSITION);
        const WCHAR mnemonic = (WCHAR)MnemonicOf(title);
        if (mnemonic && UpperCase(mnemonic) == UpperCase(character)) return i;
    }
    return -1;
}

int PopupAtScreenPoint(const MenuBar &entry, POINT point)
{
    ScreenToClient(entry.bar, &point);
    const int hit = (int)SendMessageW(entry.bar, TB_HITTEST, 0, (LPARAM)&point);
    const int index = hit - entry.firstButton;
    return (hit >= 0 && index < entry.buttonCount) ? index : -1;
}

// Alt+character typed anywhere in the window that holds a menu bar.
LRESULT CALLBACK MenuKeyHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = reinterpret_cast<MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_SYSCHAR && msg->hwnd &&
        (HIWORD(msg->lParam) & KF_ALTDOWN)) {
        for (const MenuBar &entry : menuBars) {
            HWND root = GetAncestor(entry.bar, GA_ROOT);
            if (msg->hwnd != root && !IsChild(root, msg->hwnd)) continue;
            const int index = PopupOfMnemonic(entry, (WCHAR)msg->wParam);
            if (index >= 0 && IsWindowEnabled(root)) {
                PostMessageW(entry.bar, kOpenPopupMessage, index, 0);
                msg->message = WM_NULL;
            }
            break;
        }
    }
    return CallNextHookEx(keyHook, code, wParam, lParam);
}

void SwitchPopup(int next, bool fromKeyboard)
{
    tracking->next = next;
    tracking->nextFromKeyboard = fromKeyboard;
    EndMenu();
}

// Inside the popup's own loop: Left/Right and pointing at another title switch popups.
LRESULT CALLBACK MenuFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = reinterpret_cast<const MSG *>(lParam);
    const MenuBar *entry = (code == MSGF_MENU && tracking && msg) ? FindMenuBar(tracking->bar) : nullptr;
    const int count = entry ? entry->buttonCount : 0;
    if (count > 0) {
        if (msg->message == WM_KEYDOWN && (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT)) {
            const int step = msg->wParam == VK_RIGHT ? 1 : count - 1;
            SwitchPopup((tracking->index + step) % count, true);
            return TRUE;
        }
        if (msg->message == WM_MOUSEMOVE || msg->message == WM_LBUTTONDOWN) {
            const int index = PopupAtScreenPoint(*entry, msg->pt);
            if (index >= 0 && index != tracking->index) {
                SwitchPopup(index, false);
                return TRUE;
            }
            if (index >= 0 && msg->message == WM_LBUTTONDOWN) {
                // A click on the open popup's own title closes it, as a menu bar does.
                EndMenu();
                return TRUE;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Opens popup `index` below its button; from the keyboard its first item is selected.
void OpenPopup(HWND bar, int index, bool fromKeyboard)
{
    const MenuBar *entry = FindMenuBar(bar);
    if (!entry || tracking || index < 0 || index >= entry->buttonCount) return;
    HWND owner = GetAncestor(bar, GA_ROOT);
    MenuTracking track{bar, index, -1, false};
    tracking = &track;
    HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, MenuFilterHook, nullptr, GetCurrentThreadId());
    UINT command = 0;
    // The popup's loop runs messages: the entry is looked up again after it.
    for (; entry; entry = FindMenuBar(bar)) {
        HMENU popup = GetSubMenu(entry->menu, track.index);
        const int buttonId = kMenuButtonFirstId + track.index;
        RECT rect{};
        SendMessageW(bar, TB_GETITEMRECT, entry->firstButton + track.index, (LPARAM)&rect);
        MapWindowPoints(bar, nullptr, reinterpret_cast<POINT *>(&rect), 2);
        SendMessageW(bar, TB_PRESSBUTTON, buttonId, TRUE);
        // The menu loop takes the key from the queue and selects the first item.
        if (fromKeyboard) PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 0);
        TPMPARAMS params{};
        params.cbSize = sizeof params;
        params.rcExclude = rect;
        command = popup ? TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON |
                                                      TPM_RETURNCMD,
                                           rect.left, rect.bottom, owner, &params)
                        : 0;
        if (IsWindow(bar)) SendMessageW(bar, TB_PRESSBUTTON, buttonId, FALSE);
        if (command || track.next < 0 || !IsWindow(bar)) break;
        track.index = track.next;
        fromKeyboard = track.nextFromKeyboard;
        track.next = -1;
    }
    if (filter) UnhookWindowsHookEx(filter);
    tracking = nullptr;
    // Posted like the system's own menu choice, so a command that closes the window does not
    // destroy the bar while it is still handling the click.
    if (command) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// A click on the menu bar opens the popup under the point; false when no popup button was hit.
bool OnMouseDown(const MenuBar &entry, LPARAM clientPoint)
{
    POINT point{(short)LOWORD(clientPoint), (short)HIWORD(clientPoint)};
    ClientToScreen(entry.bar, &point);
    const int index = PopupAtScreenPoint(entry, point);
    if (index < 0) return false;
    OpenPopup(entry.bar, index, false);
    return true;
}

// Alt+character or Alt/F10 alone (character 0) in the window: true when a popup will open.
bool OnKeyMenu(const MenuBar &entry, WCHAR character)
{
    if (tracking) return false;
    // Alt+Space and Alt+minus stay the system menu's.
    if (character == L' ' || character == L'-') return false;
    const int index = character ? PopupOfMnemonic(entry, character) : 0;
    if (index < 0) return false;
    PostMessageW(entry.bar, kOpenPopupMessage, index, 0);
    return true;
}

// Popup buttons open their popups on mouse down; a stray click command from them is not a
// command of the application.
bool IsPopupButtonCommand(const MenuBar &entry, WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    return (HWND)lParam == entry.bar && id >= kMenuButtonFirstId && id < kMenuButtonFirstId + entry.buttonCount;
}

// The bar is going away: forget it and destroy its menu.
void Detach(HWND bar)
{
    const auto found = std::find_if(menuBars.begin(), menuBars.end(),
                                    [bar](const MenuBar &entry) { return entry.bar == bar; });
    if (found == menuBars.end()) return;
    const HMENU menu = found->menu;
    menuBars.erase(found);
    if (menuBars.empty() && keyHook) {
        UnhookWindowsHookEx(keyHook);
        keyHook = nullptr;
    }
    if (tracking && tracking->bar == bar) EndMenu();
    DestroyMenu(menu);
}

}  // namespace

bool AttachMenuBar(HWND bar, HMENU menu, int button)
{
    const int count = GetMenuItemCount(menu);
    if (!bar || count <= 0 || FindMenuBar(bar)) return false;
    // Text only, side by side: the bar shows the popup titles with their mnemonics underlined.
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | TBSTYLE_LIST);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const int existing = (int)SendMessageW(bar, TB_BUTTONCOUNT, 0, 0);
    const int first = std::max(0, std::min(button, existing));
    int added = 0;
    for (int i = 0; i < count; ++i) {
        WCHAR title[128] = L"";
        GetMenuStringW(menu, i, title, ARRAYSIZE(title), MF_BYPOSITION);
        TBBUTTON item{};
        item.iBitmap = I_IMAGENONE;
        item.idCommand = kMenuButtonFirstId + i;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        item.iString = (INT_PTR)title;
        if (!SendMessageW(bar, TB_INSERTBUTTONW, first + i, (LPARAM)&item)) break;
        ++added;
    }
    if (added == 0) return false;
    menuBars.push_back(MenuBar{bar, menu, first, added});
    if (!keyHook) keyHook = SetWindowsHookExW(WH_GETMESSAGE, MenuKeyHook, nullptr, GetCurrentThreadId());
    return true;
}

HMENU MenuBarMenu(HWND bar)
{
    const MenuBar *entry = FindMenuBar(bar);
    return entry ? entry->menu : nullptr;
}

bool MenuBarMessage(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    const MenuBar *entry = FindMenuBar(bar);
    if (!entry) return false;
    *result = 0;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return OnMouseDown(*entry, lParam);
    case kOpenPopupMessage:
        OpenPopup(bar, (int)wParam, true);
        return true;
    case WM_COMMAND:
        return IsPopupButtonCommand(*entry, wParam, lParam);
    case WM_SYSCOMMAND:
        return (wParam & 0xFFF0) == SC_KEYMENU && OnKeyMenu(*entry, (WCHAR)lParam);
    case WM_NCDESTROY:
        // The bar's own clean-up goes on.
        Detach(bar);
        return false;
    }
    return false;
}
