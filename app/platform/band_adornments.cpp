// The adornments at the right end of the band strip: a help button that asks the main window
// for help and a close button that closes it, laid out right to left in a window of their own.
#include "platform/band_adornments.h"
#include <algorithm>
#include "platform/command_bands.h"
#include "platform/help_request.h"

namespace {

constexpr int kAdornmentHelpId = 1;
constexpr int kAdornmentCloseId = 2;
const WCHAR kAdornmentClass[] = L"ZifferboxAdornments";
// Pixels beside the 16-pixel standard images; with the larger images the buttons grow as they do,
// so that they stay as high as the button bar's.
constexpr int kAdornmentSize = 20;
constexpr int kAdornmentGap = 2;

int AdornmentSize() { return MulDiv(kAdornmentSize, StandardImageSize(), kSmallStandardImageSize); }
int AdornmentGap() { return MulDiv(kAdornmentGap, StandardImageSize(), kSmallStandardImageSize); }

void LayoutAdornments(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int size = AdornmentSize();
    int x = client.right - AdornmentGap();
    const int y = std::max(0, (int)(client.bottom - size) / 2);
    // Right to left: close at the very end, help before it.
    for (int id : {kAdornmentCloseId, kAdornmentHelpId}) {
        HWND button = GetDlgItem(window, id);
        if (!button) continue;
        x -= size;
        SetWindowPos(button, nullptr, x, y, size, size, SWP_NOZORDER | SWP_NOACTIVATE);
        x -= AdornmentGap();
    }
}

void OnAdornmentCommand(HWND window, int id)
{
    HWND main = GetAncestor(window, GA_ROOT);
    if (id == kAdornmentHelpId) {
        SendHelpRequest(main);
    } else if (id == kAdornmentCloseId) {
        // Posted: closing destroys this button while its click is still being handled.
        PostMessageW(main, WM_CLOSE, 0, 0);
    }
}

LRESULT CALLBACK AdornmentsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        LayoutAdornments(window);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnAdornmentCommand(window, LOWORD(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterAdornmentClass(HINSTANCE instance)
{
    WNDCLASSW existing;
    if (GetClassInfoW(instance, kAdornmentClass, &existing)) return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = AdornmentsProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kAdornmentClass;
    return RegisterClassW(&wc) != 0;
}

void AddAdornmentButton(HWND window, HINSTANCE instance, int id, const WCHAR *text, HFONT font)
{
    HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_CENTER, 0, 0,
                                  AdornmentSize(), AdornmentSize(), window, (HMENU)(INT_PTR)id, instance, nullptr);
    if (button) SendMessageW(button, WM_SETFONT, (WPARAM)font, FALSE);
}

}  // namespace

HWND CreateAdornments(HWND parent, HINSTANCE instance, UINT id, bool withHelp, SIZE *size)
{
    if (!RegisterAdornmentClass(instance)) return nullptr;
    HWND window = CreateWindowExW(0, kAdornmentClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                  parent, (HMENU)(UINT_PTR)id, instance, nullptr);
    if (!window) return nullptr;
    const HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    int count = 1;
    if (withHelp) {
        AddAdornmentButton(window, instance, kAdornmentHelpId, L"?", font);
        ++count;
    }
    // The close button is always there, as on the device.
    AddAdornmentButton(window, instance, kAdornmentCloseId, L"\u00D7", font);
    size->cx = count * (AdornmentSize() + AdornmentGap()) + AdornmentGap();
    size->cy = AdornmentSize() + AdornmentGap();
    LayoutAdornments(window);
    return window;
}
