// Modal dialogs from templates with the device's caption buttons. A dialog procedure asks for
// them by setting extended styles at initialisation. The desktop has no such buttons, and its
// caption is not ours to paint: a window manager, desktop composition on Windows or a Wine prefix
// that leaves the frames to X draws the title bar itself, over or without anything a program adds
// there. So such a dialog gives up the system caption and gets the platform's own frame instead:
// a caption strip (title, "?", "OK", the close box) drawn at the top of its client area, the
// controls moved below it, the outer size unchanged. It looks and works the same in every
// environment: "?" sends WM_HELP at once, "OK" sends IDOK, the close box SC_CLOSE, the rest of the
// strip moves the dialog (HTCAPTION), and the keyboard (Enter, Esc, F1) stays the dialog
// manager's. The dialog procedures stay unaware. On Windows 10 and 11 the dialog is then a popup
// with a dialog frame and no caption: composition draws no title bar for it, and the strip's
// HTCAPTION moves it as a title bar would.
#include "platform/device_dialog.h"
#include "platform/help_request.h"
#include "common/unique_handles.h"
#include "common/screen_density.h"
#include <algorithm>

namespace {

constexpr DWORD kCaptionButtonStyles = WS_EX_CAPTIONOKBTN | WS_EX_CONTEXTHELP;
// Our own hit-test codes for the caption buttons; the desktop does nothing of its own with them.
// Returned for client-area points, they make a click arrive as WM_NCLBUTTONDOWN naming the button.
constexpr LRESULT kHitOk = HTOBJECT;
constexpr LRESULT kHitHelp = HTHELP;
constexpr LRESULT kHitClose = HTCLOSE;  // the close box of a dialog with a system menu
const WCHAR kDialogProperty[] = L"ZifferboxDeviceDialog";
// The strip's own spacing in pixels at 96 DPI; its height and the button widths come from the
// system's caption metrics, which already follow the screen.
constexpr int kStripMargin = 2;       // around the buttons and before the title
constexpr int kButtonInset = 4;       // a button is this much shorter than the caption
constexpr int kButtonTextInset = 5;   // and its text this much smaller than the button
constexpr int kSmallestButton = 8;
constexpr int kCrossLineWidth = 2;

struct DeviceDialog {
    DLGPROC procedure;
    LPARAM parameter;
    bool okButton = false;
    bool helpButton = false;
    bool closeBox = false;
    LRESULT pressed = 0;  // caption button held down with the mouse
    bool pressedInside = false;
    int stripHeight = 0;  // the caption strip at the top of the client area; 0 without one
    bool active = true;
};

// The dialog being created: its first message (WM_SETFONT or WM_INITDIALOG) claims it.
thread_local DeviceDialog *pendingDialog = nullptr;

// The caption strip in client coordinates; its last row stays the dialog's face, as under a caption.
RECT StripRect(HWND dialog, const DeviceDialog *state)
{
    RECT rect;
    GetClientRect(dialog, &rect);
    rect.bottom = state->stripHeight;
    return rect;
}

// A caption button's rectangle in client coordinates, right aligned in the strip: close box, OK, "?".
bool CaptionButtonRect(HWND dialog, const DeviceDialog *state, LRESULT which, RECT *rect)
{
    if ((which == kHitOk && !state->okButton) || (which == kHitHelp && !state->helpButton) ||
        (which == kHitClose && !state->closeBox))
        return false;
    const int margin = ScaleToScreen(kStripMargin);
    const int captionHeight = state->stripHeight - 1;
    const int height = std::max(ScaleToScreen(kSmallestButton), captionHeight - ScaleToScreen(kButtonInset));
    const int top = (captionHeight - height) / 2;
    const int helpWidth = std::max(ScaleToScreen(kSmallestButton), GetSystemMetrics(SM_CXSIZE) - margin);
    const int okWidth = helpWidth * 3 / 2 + margin;

    int right = StripRect(dialog, state).right - margin;
    if (state->closeBox) {
        if (which == kHitClose) {
            SetRect(rect, right - helpWidth, top, right, top + height);
            return true;
        }
        right -= GetSystemMetrics(SM_CXSIZE);
    }
    if (state->okButton) {
        if (which == kHitOk) {
            SetRect(rect, right - okWidth, top, right, top + height);
            return true;
        }
        right -= okWidth + margin;
    }
    SetRect(rect, right - helpWidth, top, right, top + height);
    return true;
}

// What lies under a client point of the strip: a button, the rest of the caption, or 0 outside.
LRESULT StripHitAt(HWND dialog, const DeviceDialog *state, POINT point)
{
    const RECT strip = StripRect(dialog, state);
    if (!PtInRect(&strip, point)) return 0;
    for (LRESULT which : {kHitOk, kHitHelp, kHitClose}) {
        RECT rect;
        if (CaptionButtonRect(dialog, state, which, &rect) && PtInRect(&rect, point)) return which;
    }
    return HTCAPTION;
}

HFONT CreateCaptionFont(int height, bool fromCaptionMetrics)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfCaptionFont;
    if (!fromCaptionMetrics) font.lfHeight = -std::max(ScaleToScreen(kSmallestButton), height);
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

// Both buttons are push frames with text: the caption glyph font is not always there under Wine.
void PaintCaptionButton(HDC dc, RECT rect, const WCHAR *text, bool down)
{
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    if (down) OffsetRect(&rect, 1, 1);
    UniqueFont font(CreateCaptionFont(rect.bottom - rect.top - ScaleToScreen(kButtonTextInset), false));
    const HGDIOBJ old = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

// The caption's colours as the system draws its own: a gradient where the system uses one.
// A dialog that greys Close in its system menu shows a greyed close box that does nothing.
bool CloseBoxEnabled(HWND dialog)
{
    const HMENU menu = GetSystemMenu(dialog, FALSE);
    const UINT state = menu ? GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : (UINT)-1;
    return state == (UINT)-1 || !(state & (MF_GRAYED | MF_DISABLED));
}

void DrawCross(HDC dc, int left, int top, int size, COLORREF colour)
{
    SetDCPenColor(dc, colour);
    const int lineWidth = ScaleToScreen(kCrossLineWidth);
    for (int dx = 0; dx < lineWidth; ++dx) {
        MoveToEx(dc, left + dx, top, nullptr);
        LineTo(dc, left + dx + size, top + size);
        MoveToEx(dc, left + dx, top + size - 1, nullptr);
        LineTo(dc, left + dx + size, top - 1);
    }
}

// The close box's cross, drawn with lines: the glyph font is not always there under Wine.
void PaintCloseBox(HDC dc, RECT rect, bool down, bool enabled)
{
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    const int size = std::max<int>(4, std::min(rect.right - rect.left, rect.bottom - rect.top) / 2 - 1);
    const int left = (rect.left + rect.right - size) / 2 + (down ? 1 : 0);
    const int top = (rect.top + rect.bottom - size) / 2 + (down ? 1 : 0);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    if (enabled) {
        DrawCross(dc, left, top, size, GetSysColor(COLOR_BTNTEXT));
    } else {  // etched, as the system greys its own
        DrawCross(dc, left + 1, top + 1, size, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawCross(dc, left, top, size, GetSysColor(COLOR_GRAYTEXT));
    }
    SelectObject(dc, oldPen);
}

void FillCaption(HDC dc, RECT rect, bool active)
{
    const COLORREF left = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    const COLORREF right = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    BOOL gradient = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    const int width = rect.right - rect.left;
    const int steps = gradient ? std::min(width, 64) : 1;
    for (int i = 0; i < steps; ++i) {
        RECT band = rect;
        band.left = rect.left + width * i / steps;
        band.right = rect.left + width * (i + 1) / steps;
        const auto mix = [&](int l, int r) { return steps == 1 ? l : l + (r - l) * i / (steps - 1); };
        const COLORREF colour = RGB(mix(GetRValue(left), GetRValue(right)), mix(GetGValue(left), GetGValue(right)),
                                    mix(GetBValue(left), GetBValue(right)));
        SetBkColor(dc, colour);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
    }
}

void PaintCaptionStrip(HWND dialog, const DeviceDialog *state, HDC dc)
{
    RECT caption = StripRect(dialog, state);
    caption.bottom -= 1;
    FillCaption(dc, caption, state->active);

    RECT title = caption;
    title.left += ScaleToScreen(kStripMargin);
    RECT button;
    for (LRESULT which : {kHitHelp, kHitOk, kHitClose}) {
        if (CaptionButtonRect(dialog, state, which, &button)) {
            title.right = button.left - ScaleToScreen(kStripMargin);
            break;
        }
    }
    WCHAR text[256];
    GetWindowTextW(dialog, text, ARRAYSIZE(text));
    UniqueFont font(CreateCaptionFont(0, true));
    const HGDIOBJ old = SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(state->active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextW(dc, text, -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);

    if (CaptionButtonRect(dialog, state, kHitHelp, &button))
        PaintCaptionButton(dc, button, L"?", state->pressed == kHitHelp && state->pressedInside);
    if (CaptionButtonRect(dialog, state, kHitOk, &button))
        PaintCaptionButton(dc, button, L"OK", state->pressed == kHitOk && state->pressedInside);
    if (CaptionButtonRect(dialog, state, kHitClose, &button))
        PaintCloseBox(dc, button, state->pressed == kHitClose && state->pressedInside, CloseBoxEnabled(dialog));
}

void RepaintStrip(HWND dialog, const DeviceDialog *state)
{
    const RECT strip = StripRect(dialog, state);
    InvalidateRect(dialog, &strip, TRUE);
}

void PressCaptionButton(HWND dialog, LRESULT which)
{
    if (which == kHitOk) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (which == kHitHelp) {
        SendHelpRequest(dialog);
    } else if (which == kHitClose) {
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

BOOL Answer(HWND dialog, LRESULT result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Trades the system caption for the caption strip: same outer size, the client area grows by the
// strip's height (made so where the frame change gave less) and every control moves below it.
void InstallCaptionStrip(HWND dialog, DeviceDialog *state)
{
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    state->closeBox = (style & WS_SYSMENU) != 0;
    SetWindowLongPtrW(dialog, GWL_STYLE, (style & ~(LONG_PTR)WS_CAPTION) | WS_DLGFRAME);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT grown;
    GetClientRect(dialog, &grown);
    state->stripHeight = GetSystemMetrics(SM_CYCAPTION);
    const int missing = state->stripHeight - (grown.bottom - client.bottom);
    if (missing != 0)
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
        SetWindowPos(child, nullptr, rect.left, rect.top + state->stripHeight, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
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
        InstallCaptionStrip(dialog, state);
    }
    return result;
}

// The caption strip's share of the mouse; true when the message was its.
bool OnStripMouse(HWND dialog, DeviceDialog *state, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    switch (message) {
    case WM_NCHITTEST: {
        POINT point{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ScreenToClient(dialog, &point);
        *result = StripHitAt(dialog, state, point);
        return *result != 0;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam != (WPARAM)kHitOk && wParam != (WPARAM)kHitHelp && wParam != (WPARAM)kHitClose) return false;
        *result = 0;
        if (wParam == (WPARAM)kHitClose && !CloseBoxEnabled(dialog)) return true;
        state->pressed = (LRESULT)wParam;
        state->pressedInside = true;
        SetCapture(dialog);
        RepaintStrip(dialog, state);
        *result = 0;
        return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
        if (!state->pressed) return false;
        const POINT point{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        const LRESULT which = state->pressed;
        const bool inside = StripHitAt(dialog, state, point) == which;
        if (message == WM_MOUSEMOVE) {
            if (inside != state->pressedInside) {
                state->pressedInside = inside;
                RepaintStrip(dialog, state);
            }
        } else {
            state->pressed = 0;
            ReleaseCapture();
            RepaintStrip(dialog, state);
            if (inside) PressCaptionButton(dialog, which);
        }
        *result = 0;
        return true;
    }
    case WM_CAPTURECHANGED:
        if (!state->pressed) return false;
        state->pressed = 0;
        RepaintStrip(dialog, state);
        *result = 0;
        return true;
    }
    return false;
}

// Paints the strip after the procedure had its turn at WM_PAINT.
INT_PTR OnPaint(HWND dialog, DeviceDialog *state, WPARAM wParam, LPARAM lParam)
{
    if (state->procedure(dialog, WM_PAINT, wParam, lParam)) {
        ClientDC dc(dialog);
        if (dc.get()) PaintCaptionStrip(dialog, state, dc.get());
        return TRUE;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(dialog, &paint);
    if (dc) PaintCaptionStrip(dialog, state, dc);
    EndPaint(dialog, &paint);
    return TRUE;
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
    if (state->stripHeight > 0) {
        LRESULT result = 0;
        if (OnStripMouse(dialog, state, message, wParam, lParam, &result)) return Answer(dialog, result);
        if (message == WM_PAINT) return OnPaint(dialog, state, wParam, lParam);
        // Activation and title changes show in the strip; the procedure and the dialog manager
        // still see and answer both.
        if (message == WM_NCACTIVATE) state->active = wParam != FALSE;
        if (message == WM_NCACTIVATE || message == WM_SETTEXT) RepaintStrip(dialog, state);
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
