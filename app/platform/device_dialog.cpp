// Modal dialogs from templates with the device's caption buttons. A dialog procedure asks for
// them by setting extended styles at initialisation; the desktop has no such buttons (its "?"
// only enters context-help mode), so this wrapper strips the bits and draws the buttons itself in
// the caption, left of the close box: "?" sends WM_HELP at once, "OK" sends IDOK.
#include "platform/device_dialog.h"
#include "platform/help_request.h"
#include "common/unique_handles.h"
#include <algorithm>

namespace {

constexpr DWORD kCaptionButtonStyles = WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP;
// Our own hit-test codes for the caption buttons; the desktop does nothing of its own with them.
constexpr LRESULT kHitOk = HTOBJECT;
constexpr LRESULT kHitHelp = HTHELP;
const WCHAR kDialogProperty[] = L"ZifferboxDeviceDialog";

struct DeviceDialog {
    DLGPROC procedure;
    LPARAM parameter;
    bool okButton = false;
    bool helpButton = false;
    LRESULT pressed = 0;  // caption button held down with the mouse
    bool pressedInside = false;
};

// The dialog being created: its first message (WM_SETFONT or WM_INITDIALOG) claims it.
thread_local DeviceDialog *pendingDialog = nullptr;

// A caption button's rectangle in window coordinates (origin at the window's top left corner).
bool CaptionButtonRect(HWND dialog, const DeviceDialog *state, LRESULT which, RECT *rect)
{
    if ((which == kHitOk && !state->okButton) || (which == kHitHelp && !state->helpButton)) return false;
    RECT window;
    GetWindowRect(dialog, &window);
    POINT client{0, 0};
    ClientToScreen(dialog, &client);
    const int frame = client.x - window.left;
    const int captionBottom = client.y - window.top;
    const int captionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
    const int captionTop = std::max(frame, captionBottom - captionHeight);
    const int height = std::max(8, captionHeight - 4);
    const int top = captionTop + (captionHeight - height) / 2;
    const int helpWidth = std::max(8, GetSystemMetrics(SM_CXSIZE) - 2);
    const int okWidth = helpWidth * 3 / 2 + 2;

    int right = (window.right - window.left) - frame - 2;
    if (GetWindowLongPtrW(dialog, GWL_STYLE) & WS_SYSMENU) right -= GetSystemMetrics(SM_CXSIZE);
    if (state->okButton) {
        if (which == kHitOk) {
            SetRect(rect, right - okWidth, top, right, top + height);
            return true;
        }
        right -= okWidth + 2;
    }
    SetRect(rect, right - helpWidth, top, right, top + height);
    return true;
}

LRESULT CaptionButtonAt(HWND dialog, const DeviceDialog *state, POINT screen)
{
    RECT window;
    GetWindowRect(dialog, &window);
    const POINT point{screen.x - window.left, screen.y - window.top};
    for (LRESULT which : {kHitOk, kHitHelp}) {
        RECT rect;
        if (CaptionButtonRect(dialog, state, which, &rect) && PtInRect(&rect, point)) return which;
    }
    return 0;
}

HFONT CreateCaptionButtonFont(int buttonHeight)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfCaptionFont;
    font.lfHeight = -std::max(8, buttonHeight - 5);
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

// Both buttons are push frames with text: the caption glyph font is not always there under Wine.
void PaintCaptionButton(HDC dc, RECT rect, const WCHAR *text, bool down)
{
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    if (down) OffsetRect(&rect, 1, 1);
    UniqueFont font(CreateCaptionButtonFont(rect.bottom - rect.top));
    const HGDIOBJ old = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void PaintCaptionButtons(HWND dialog, const DeviceDialog *state)
{
    WindowDC dc(dialog);
    if (!dc.get()) return;
    RECT rect;
    if (CaptionButtonRect(dialog, state, kHitHelp, &rect))
        PaintCaptionButton(dc.get(), rect, L"?", state->pressed == kHitHelp && state->pressedInside);
    if (CaptionButtonRect(dialog, state, kHitOk, &rect))
        PaintCaptionButton(dc.get(), rect, L"OK", state->pressed == kHitOk && state->pressedInside);
}

void PressCaptionButton(HWND dialog, LRESULT which)
{
    if (which == kHitOk) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (which == kHitHelp) {
        SendHelpRequest(dialog);
    }
}

BOOL Answer(HWND dialog, LRESULT result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnInitDialog(HWND dialog, DeviceDialog *state, WPARAM wParam)
{
    const INT_PTR result = state->procedure(dialog, WM_INITDIALOG, wParam, state->parameter);
    if (!IsWindow(dialog)) return result;
    const LONG_PTR extended = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    state->okButton = (extended & WS_EX_CAPTIONOKBTN) != 0;
    state->helpButton = (extended & WS_EX_CONTEXTHELP) != 0;
    if (extended & kCaptionButtonStyles) {
        SetWindowLongPtrW(dialog, GWL_EXSTYLE, extended & ~(LONG_PTR)kCaptionButtonStyles);
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return result;
}

// The caption buttons' share of the mouse; true when the message was theirs.
bool OnCaptionMouse(HWND dialog, DeviceDialog *state, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    const POINT screen{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    switch (message) {
    case WM_NCHITTEST:
        *result = CaptionButtonAt(dialog, state, screen);
        return *result != 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam != (WPARAM)kHitOk && wParam != (WPARAM)kHitHelp) return false;
        state->pressed = (LRESULT)wParam;
        state->pressedInside = true;
        SetCapture(dialog);
        PaintCaptionButtons(dialog, state);
        *result = 0;
        return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
        if (!state->pressed) return false;
        POINT point{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ClientToScreen(dialog, &point);
        const LRESULT which = state->pressed;
        const bool inside = CaptionButtonAt(dialog, state, point) == which;
        if (message == WM_MOUSEMOVE) {
            if (inside != state->pressedInside) {
                state->pressedInside = inside;
                PaintCaptionButtons(dialog, state);
            }
        } else {
            state->pressed = 0;
            ReleaseCapture();
            PaintCaptionButtons(dialog, state);
            if (inside) PressCaptionButton(dialog, which);
        }
        *result = 0;
        return true;
    }
    case WM_CAPTURECHANGED:
        if (!state->pressed) return false;
        state->pressed = 0;
        PaintCaptionButtons(dialog, state);
        *result = 0;
        return true;
    }
    return false;
}

// Messages after which the desktop has drawn the caption anew, over our buttons.
bool RepaintsCaption(UINT message)
{
    return message == WM_NCPAINT || message == WM_NCACTIVATE || message == WM_SETTEXT;
}

INT_PTR CALLBACK DeviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *state = static_cast<DeviceDialog *>(GetPropW(dialog, kDialogProperty));
    if (!state && pendingDialog) {
        state = pendingDialog;
        pendingDialog = nullptr;
        SetPropW(dialog, kDialogProperty, state);
    }
    if (!state) return FALSE;

    if (message == WM_INITDIALOG) return OnInitDialog(dialog, state, wParam);
    if (message == WM_NCDESTROY) {
        RemovePropW(dialog, kDialogProperty);
        return state->procedure(dialog, message, wParam, lParam);
    }
    if (state->okButton || state->helpButton) {
        LRESULT result = 0;
        if (OnCaptionMouse(dialog, state, message, wParam, lParam, &result)) return Answer(dialog, result);
        if (RepaintsCaption(message)) {
            if (!state->procedure(dialog, message, wParam, lParam))
                SetWindowLongPtrW(dialog, DWLP_MSGRESULT, DefWindowProcW(dialog, message, wParam, lParam));
            PaintCaptionButtons(dialog, state);
            return TRUE;
        }
    }
    return state->procedure(dialog, message, wParam, lParam);
}

}  // namespace

INT_PTR RunDeviceDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    if (!procedure) return -1;
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (!resource) return -1;
    HGLOBAL loaded = LoadResource(instance, resource);
    const auto *dialogTemplate = loaded ? static_cast<const DLGTEMPLATE *>(LockResource(loaded)) : nullptr;
    if (!dialogTemplate) return -1;

    DeviceDialog state{procedure, parameter};
    DeviceDialog *outer = pendingDialog;
    pendingDialog = &state;
    const INT_PTR result = DialogBoxIndirectParamW(instance, dialogTemplate, owner, DeviceDialogProc, 0);
    pendingDialog = outer;
    return result;
}
