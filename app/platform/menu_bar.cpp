// The menu bar inside a command bar: one text button per popup of the menu resource, each
// opening its popup below itself. Alt+mnemonic, Alt or F10 open the popups from anywhere in the
// window; Left and Right move between the popups, as in a menu bar of the system.
#include "platform/command_bar_state.h"
#include <commctrl.h>
#include <algorithm>

namespace {

// Menu bars of this thread, for the keyboard hook.
std::vector<HWND> menuBars;
HHOOK keyHook = nullptr;

// The popup being shown and where the user wants to go next.
struct MenuTracking {
    HWND bar;
    int index;
    int next;
    bool nextFromKeyboard;
};
MenuTracking *tracking = nullptr;

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

int PopupOfMnemonic(const CommandBarState *state, WCHAR character)
{
    if (!state->menu || !character) return -1;
    for (int i = 0; i < state->menuButtonCount; ++i) {
        WCHAR title[128] = L"";
        GetMenuStringW(state->menu, i, title, ARRAYSIZE(title), MF_BYPOSITION);
        const WCHAR mnemonic = (WCHAR)MnemonicOf(title);
        if (mnemonic && UpperCase(mnemonic) == UpperCase(character)) return i;
    }
    return -1;
}

int PopupAtScreenPoint(HWND bar, const CommandBarState *state, POINT point)
{
    ScreenToClient(bar, &point);
    const int hit = (int)SendMessageW(bar, TB_HITTEST, 0, (LPARAM)&point);
    const int index = hit - state->menuFirstButton;
    return (hit >= 0 && index < state->menuButtonCount) ? index : -1;
}

// Alt+character typed anywhere in the window that holds a menu bar.
LRESULT CALLBACK MenuKeyHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *msg = reinterpret_cast<MSG *>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_SYSCHAR && msg->hwnd &&
        (HIWORD(msg->lParam) & KF_ALTDOWN)) {
        for (HWND bar : menuBars) {
            HWND root = GetAncestor(bar, GA_ROOT);
            if (msg->hwnd != root && !IsChild(root, msg->hwnd)) continue;
            const CommandBarState *state = FindCommandBarState(bar);
            const int index = state ? PopupOfMnemonic(state, (WCHAR)msg->wParam) : -1;
            if (index >= 0 && IsWindowEnabled(root)) {
                PostMessageW(bar, kOpenMenuPopupMessage, index, 0);
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
    if (code == MSGF_MENU && tracking && msg) {
        const CommandBarState *state = FindCommandBarState(tracking->bar);
        const int count = state ? state->menuButtonCount : 0;
        if (count > 0) {
            if (msg->message == WM_KEYDOWN && (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT)) {
                const int step = msg->wParam == VK_RIGHT ? 1 : count - 1;
                SwitchPopup((tracking->index + step) % count, true);
                return TRUE;
            }
            if (msg->message == WM_MOUSEMOVE || msg->message == WM_LBUTTONDOWN) {
                const int index = PopupAtScreenPoint(tracking->bar, state, msg->pt);
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
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool AttachMenuToBar(HWND bar, CommandBarState *state, HMENU menu, int button)
{
    // Text only, side by side: the bar shows the popup titles with their mnemonics underlined.
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | TBSTYLE_LIST);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const int existing = (int)SendMessageW(bar, TB_BUTTONCOUNT, 0, 0);
    const int first = std::max(0, std::min(button, existing));
    const int count = GetMenuItemCount(menu);
    if (count <= 0) return false;
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
    state->menu = menu;
    state->menuFirstButton = first;
    state->menuButtonCount = added;
    menuBars.push_back(bar);
    if (!keyHook) keyHook = SetWindowsHookExW(WH_GETMESSAGE, MenuKeyHook, nullptr, GetCurrentThreadId());
    return true;
}

void DetachMenuFromBar(HWND bar, CommandBarState *state)
{
    if (!state->menu) return;
    menuBars.erase(std::remove(menuBars.begin(), menuBars.end(), bar), menuBars.end());
    if (menuBars.empty() && keyHook) {
        UnhookWindowsHookEx(keyHook);
        keyHook = nullptr;
    }
    if (tracking && tracking->bar == bar) EndMenu();
    DestroyMenu(state->menu);
    state->menu = nullptr;
    state->menuButtonCount = 0;
}

bool MenuBarMouseDown(HWND bar, const CommandBarState *state, LPARAM clientPoint)
{
    POINT point{(short)LOWORD(clientPoint), (short)HIWORD(clientPoint)};
    ClientToScreen(bar, &point);
    const int index = PopupAtScreenPoint(bar, state, point);
    if (index < 0) return false;
    OpenMenuBarPopup(bar, index, false);
    return true;
}

bool MenuBarKeyMenu(HWND bar, WCHAR character)
{
    const CommandBarState *state = FindCommandBarState(bar);
    if (!state || !state->menu || tracking) return false;
    // Alt+Space and Alt+minus stay the system menu's.
    if (character == L' ' || character == L'-') return false;
    const int index = character ? PopupOfMnemonic(state, character) : 0;
    if (index < 0) return false;
    PostMessageW(bar, kOpenMenuPopupMessage, index, 0);
    return true;
}

void OpenMenuBarPopup(HWND bar, int index, bool fromKeyboard)
{
    const CommandBarState *state = FindCommandBarState(bar);
    if (!state || !state->menu || tracking || index < 0 || index >= state->menuButtonCount) return;
    HWND owner = GetAncestor(bar, GA_ROOT);
    MenuTracking track{bar, index, -1, false};
    tracking = &track;
    HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, MenuFilterHook, nullptr, GetCurrentThreadId());
    UINT command = 0;
    for (;;) {
        HMENU popup = GetSubMenu(state->menu, track.index);
        const int buttonId = kMenuButtonFirstId + track.index;
        RECT rect{};
        SendMessageW(bar, TB_GETITEMRECT, state->menuFirstButton + track.index, (LPARAM)&rect);
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
        if (command || track.next < 0 || !IsWindow(bar) || !state->menu) break;
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
