// The band strip: a rebar across the top of the main window whose bands each hold one command
// bar (a desktop toolbar), plus the adornment band with the help and close buttons at the right.
#include "platform/command_bands.h"
#include "platform/band_adornments.h"
#include "platform/menu_bar.h"
#include "common/screen_density.h"
#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kSubclassId = 0x5A42;
constexpr UINT kAdornmentBandId = 0xADD;
constexpr size_t kMaxToolTips = 256;
constexpr size_t kMaxToolTipLength = 256;
constexpr int kComboVisibleItems = 10;
// From this density on the standard images come in their 24-pixel size; below it the 16-pixel
// ones look right, and either is drawn as it is, never stretched.
constexpr int kLargeImagesDpi = 144;
constexpr int kLargeImageSize = 24;
// The subclass's state hangs on the window as a property as well, so that it can be found from
// the handle.
const WCHAR kBandsProperty[] = L"ZifferboxCommandBands";
const WCHAR kBarProperty[] = L"ZifferboxCommandBar";

// The reference data of the rebar's subclass.
struct CommandBandsState {
    HWND parent;             // subclassed as long as the bands live
    std::vector<HWND> bars;  // the command bars in band order
};

// A command bar is a desktop toolbar subclassed with this state as reference data.
struct CommandBarState {
    std::vector<std::wstring> toolTips;  // texts of the non-separator buttons, in button order
};

LRESULT CALLBACK BandsProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
LRESULT CALLBACK BandsParentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
LRESULT CALLBACK CommandBarProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

CommandBandsState *FindBandsState(HWND bands)
{
    return bands ? static_cast<CommandBandsState *>(GetPropW(bands, kBandsProperty)) : nullptr;
}

// The state of a command bar made by CommandBands_AddBands; null for any other window.
CommandBarState *FindCommandBarState(HWND bar)
{
    return bar ? static_cast<CommandBarState *>(GetPropW(bar, kBarProperty)) : nullptr;
}

// Subclasses `window` with `procedure` and hands it `state` (also as `property`), which the
// procedure deletes at WM_NCDESTROY; on failure the window is destroyed and null returned.
template <typename State>
HWND Subclass(HWND window, const WCHAR *property, SUBCLASSPROC procedure, std::unique_ptr<State> state)
{
    if (!SetPropW(window, property, state.get()) ||
        !SetWindowSubclass(window, procedure, kSubclassId, (DWORD_PTR)state.get())) {
        RemovePropW(window, property);
        DestroyWindow(window);
        return nullptr;
    }
    state.release();
    return window;
}

int BandIndexOfChild(HWND bands, HWND child)
{
    const int count = (int)SendMessageW(bands, RB_GETBANDCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_CHILD;
        if (SendMessageW(bands, RB_GETBANDINFOW, i, (LPARAM)&info) && info.hwndChild == child) return i;
    }
    return -1;
}

// Texts and the combo box use the bar's own font, so the strip reads as one piece.
HFONT BarFont(HWND bar)
{
    HFONT font = (HFONT)SendMessageW(bar, WM_GETFONT, 0, 0);
    return font ? font : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}

// ---- the rebar -------------------------------------------------------------------------------

// Commands from the bars reach the parent unchanged, but for the menu bar's own.
LRESULT OnBandsCommand(HWND bands, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (MenuBarMessage((HWND)lParam, message, wParam, lParam, &result)) return result;
    return DefSubclassProc(bands, message, wParam, lParam);
}

void OnBandsDestroyed(HWND bands, CommandBandsState *state)
{
    const std::unique_ptr<CommandBandsState> owned(state);
    RemoveWindowSubclass(bands, BandsProc, kSubclassId);
    RemovePropW(bands, kBandsProperty);
    // The parent outlives the strip (or is on its way out): it must not keep a stale handle.
    RemoveWindowSubclass(owned->parent, BandsParentProc, kSubclassId);
}

LRESULT CALLBACK BandsProc(HWND bands, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    switch (message) {
    case WM_COMMAND:
        return OnBandsCommand(bands, message, wParam, lParam);
    case WM_NCDESTROY:
        OnBandsDestroyed(bands, reinterpret_cast<CommandBandsState *>(data));
        break;
    }
    return DefSubclassProc(bands, message, wParam, lParam);
}

// The parent of the strip: the rebar follows its width, and the keyboard reaches the menu bar.
LRESULT OnParentSysCommand(HWND parent, HWND bands, UINT message, WPARAM wParam, LPARAM lParam)
{
    const CommandBandsState *state = FindBandsState(bands);
    LRESULT result = 0;
    if (state) {
        for (HWND bar : state->bars)
            if (MenuBarMessage(bar, message, wParam, lParam, &result)) return result;
    }
    return DefSubclassProc(parent, message, wParam, lParam);
}

LRESULT CALLBACK BandsParentProc(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    HWND bands = (HWND)data;
    switch (message) {
    case WM_SYSCOMMAND:
        return OnParentSysCommand(parent, bands, message, wParam, lParam);
    case WM_SIZE: {
        const LRESULT result = DefSubclassProc(parent, message, wParam, lParam);
        SendMessageW(bands, WM_SIZE, 0, 0);
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(parent, BandsParentProc, kSubclassId);
        break;
    }
    return DefSubclassProc(parent, message, wParam, lParam);
}

// ---- command bars ----------------------------------------------------------------------------

LRESULT OnSetToolTips(CommandBarState *state, WPARAM count, LPARAM table)
{
    state->toolTips.clear();
    const WCHAR *const *texts = reinterpret_cast<const WCHAR *const *>(table);
    if (!texts) return TRUE;
    const size_t n = std::min<size_t>(count, kMaxToolTips);
    for (size_t i = 0; i < n; ++i) {
        const WCHAR *text = texts[i] ? texts[i] : L"";
        state->toolTips.emplace_back(text, wcsnlen(text, kMaxToolTipLength));
    }
    return TRUE;
}

// The device's tooltip table counts the buttons without the separators.
LRESULT OnGetToolTipText(HWND bar, const CommandBarState *state, NMTTDISPINFOW *info)
{
    info->hinst = nullptr;
    info->szText[0] = L'\0';
    info->lpszText = info->szText;
    const int index = (int)SendMessageW(bar, TB_COMMANDTOINDEX, info->hdr.idFrom, 0);
    if (index < 0) return 0;
    size_t ordinal = 0;
    for (int i = 0; i <= index; ++i) {
        TBBUTTON button{};
        if (!SendMessageW(bar, TB_GETBUTTON, i, (LPARAM)&button)) return 0;
        const bool separator = (button.fsStyle & BTNS_SEP) != 0;
        if (i == index) {
            if (!separator && ordinal < state->toolTips.size())
                info->lpszText = const_cast<WCHAR *>(state->toolTips[ordinal].c_str());
            return 0;
        }
        if (!separator) ++ordinal;
    }
    return 0;
}

LRESULT CALLBACK CommandBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    CommandBarState *state = reinterpret_cast<CommandBarState *>(data);
    LRESULT result = 0;
    if (MenuBarMessage(bar, message, wParam, lParam, &result)) return result;
    switch (message) {
    case CMDBAR_SETTOOLTIPS:
        // On the desktop this number is TB_INSERTMARKHITTEST: it must never reach the toolbar.
        return OnSetToolTips(state, wParam, lParam);
    case WM_NOTIFY:
        if (lParam && reinterpret_cast<NMHDR *>(lParam)->code == TTN_GETDISPINFOW)
            return OnGetToolTipText(bar, state, reinterpret_cast<NMTTDISPINFOW *>(lParam));
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(bar, CommandBarProc, kSubclassId);
        RemovePropW(bar, kBarProperty);
        delete state;
        break;
    }
    return DefSubclassProc(bar, message, wParam, lParam);
}

HWND CreateCommandBar(HWND bands, HINSTANCE instance, UINT id)
{
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBSTYLE_FLAT |
                                   TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, bands, (HMENU)(UINT_PTR)id, instance, nullptr);
    if (!bar) return nullptr;
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return Subclass(bar, kBarProperty, CommandBarProc, std::make_unique<CommandBarState>());
}

// Gives the band that holds `bar` the size the bar's buttons need, so nothing is clipped.
void FitBandToBar(HWND bar)
{
    HWND bands = GetParent(bar);
    const int index = BandIndexOfChild(bands, bar);
    if (index < 0) return;
    SIZE size{};
    SendMessageW(bar, TB_GETMAXSIZE, 0, (LPARAM)&size);
    int height = std::max<int>(size.cy, HIWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0)));
    for (HWND child = GetWindow(bar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        height = std::max<int>(height, rect.bottom - rect.top);
    }
    RECT borders{};
    SendMessageW(bands, RB_GETBANDBORDERS, index, (LPARAM)&borders);
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_SIZE;
    SendMessageW(bands, RB_GETBANDINFOW, index, (LPARAM)&info);
    info.fMask = RBBIM_SIZE | RBBIM_CHILDSIZE;
    info.cxMinChild = size.cx;
    info.cyMinChild = height;
    info.cx = std::max<UINT>(info.cx, size.cx + borders.left + borders.right);
    SendMessageW(bands, RB_SETBANDINFOW, index, (LPARAM)&info);
}

}  // namespace

int StandardImageSize()
{
    return ScreenDpi() >= kLargeImagesDpi ? kLargeImageSize : kSmallStandardImageSize;
}

// ---- the device API --------------------------------------------------------------------------

HWND CommandBands_Create(HINSTANCE instance, HWND parent, UINT id, DWORD styles, HIMAGELIST images)
{
    // The device's band styles mean other things on the desktop (0x1000 registers the rebar
    // for drag and drop there), so the strip's own look is fixed here.
    (void)styles;
    RECT client{};
    GetClientRect(parent, &client);
    HWND bands = CreateWindowExW(0, REBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_BANDBORDERS |
                                     RBS_FIXEDORDER | CCS_NODIVIDER | CCS_TOP,
                                 0, 0, client.right, 0, parent, (HMENU)(UINT_PTR)id, instance, nullptr);
    if (!bands) return nullptr;
    if (images) {
        REBARINFO info{};
        info.cbSize = sizeof info;
        info.fMask = RBIM_IMAGELIST;
        info.himl = images;
        SendMessageW(bands, RB_SETBARINFO, 0, (LPARAM)&info);
    }
    if (!Subclass(bands, kBandsProperty, BandsProc, std::make_unique<CommandBandsState>(CommandBandsState{parent, {}})))
        return nullptr;
    SetWindowSubclass(parent, BandsParentProc, kSubclassId, (DWORD_PTR)bands);
    return bands;
}

BOOL CommandBands_AddBands(HWND bands, HINSTANCE instance, UINT bandCount, LPREBARBANDINFOW bandInfo)
{
    CommandBandsState *state = FindBandsState(bands);
    if (!state || !bandInfo) return FALSE;
    for (UINT i = 0; i < bandCount; ++i) {
        const REBARBANDINFOW &given = bandInfo[i];
        HWND bar = CreateCommandBar(bands, instance, (given.fMask & RBBIM_ID) ? given.wID : 0);
        if (!bar) return FALSE;
        REBARBANDINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID | RBBIM_CHILD | RBBIM_CHILDSIZE;
        info.fStyle = ((given.fMask & RBBIM_STYLE) ? given.fStyle : RBBS_NOGRIPPER) & ~RBBS_BREAK;
        info.cx = (given.fMask & RBBIM_SIZE) ? given.cx : 100;
        info.wID = (given.fMask & RBBIM_ID) ? given.wID : 0;
        info.hwndChild = bar;
        info.cyMinChild = HIWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0));
        if (!SendMessageW(bands, RB_INSERTBANDW, (WPARAM)-1, (LPARAM)&info)) {
            DestroyWindow(bar);
            return FALSE;
        }
        state->bars.push_back(bar);
    }
    return TRUE;
}

HWND CommandBands_GetCommandBar(HWND bands, UINT band)
{
    const CommandBandsState *state = FindBandsState(bands);
    if (!state || band >= state->bars.size()) return nullptr;
    return state->bars[band];
}

BOOL CommandBands_AddAdornments(HWND bands, HINSTANCE instance, DWORD flags, LPREBARBANDINFOW bandInfo)
{
    (void)bandInfo;
    if (!FindBandsState(bands) || GetDlgItem(bands, kAdornmentBandId)) return FALSE;
    SIZE size{};
    HWND window = CreateAdornments(bands, instance, kAdornmentBandId, (flags & CMDBAR_HELP) != 0, &size);
    if (!window) return FALSE;
    // The last band of the row takes the rest of the width; the buttons sit at its right end.
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID | RBBIM_CHILD | RBBIM_CHILDSIZE;
    info.fStyle = RBBS_NOGRIPPER;
    info.cxMinChild = size.cx;
    info.cyMinChild = size.cy;
    info.cx = info.cxMinChild;
    info.wID = kAdornmentBandId;
    info.hwndChild = window;
    if (!SendMessageW(bands, RB_INSERTBANDW, (WPARAM)-1, (LPARAM)&info)) {
        DestroyWindow(window);
        return FALSE;
    }
    return TRUE;
}

int CommandBar_AddBitmap(HWND bar, HINSTANCE instance, int bitmapId, int imageCount, int imageWidth,
                         int imageHeight)
{
    if (!FindCommandBarState(bar)) return -1;
    // The device's common-controls instance is the desktop's HINST_COMMCTRL, and its bitmap 0 is
    // IDB_STD_SMALL_COLOR: the toolbar loads the standard strip and sizes the images itself.
    const bool standard = instance == HINST_COMMCTRL;
    if (!standard && imageWidth > 0 && imageHeight > 0)
        SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(imageWidth, imageHeight));
    if (standard && bitmapId == IDB_STD_SMALL_COLOR && StandardImageSize() == kLargeImageSize)
        bitmapId = IDB_STD_LARGE_COLOR;
    TBADDBITMAP bitmap{};
    bitmap.hInst = instance;
    bitmap.nID = (UINT_PTR)bitmapId;
    const int first = (int)SendMessageW(bar, TB_ADDBITMAP, imageCount, (LPARAM)&bitmap);
    FitBandToBar(bar);
    return first;
}

BOOL CommandBar_AddButtons(HWND bar, UINT count, const TBBUTTON *buttons)
{
    if (!FindCommandBarState(bar) || !buttons) return FALSE;
    const BOOL added = (BOOL)SendMessageW(bar, TB_ADDBUTTONSW, count, (LPARAM)buttons);
    FitBandToBar(bar);
    return added;
}

BOOL CommandBar_AddToolTips(HWND bar, UINT count, const WCHAR *const *texts)
{
    if (!FindCommandBarState(bar)) return FALSE;
    return (BOOL)SendMessageW(bar, CMDBAR_SETTOOLTIPS, count, (LPARAM)texts);
}

HWND CommandBar_InsertComboBox(HWND bar, HINSTANCE instance, int width, UINT style, WORD id, WORD button)
{
    if (!FindCommandBarState(bar) || width <= 0) return nullptr;
    // A separator as wide as the combo box keeps its place among the buttons.
    const int count = (int)SendMessageW(bar, TB_BUTTONCOUNT, 0, 0);
    const int index = std::min<int>(button, count);
    TBBUTTON placeholder{};
    placeholder.iBitmap = width;
    placeholder.fsState = TBSTATE_ENABLED;
    placeholder.fsStyle = BTNS_SEP;
    if (!SendMessageW(bar, TB_INSERTBUTTONW, index, (LPARAM)&placeholder)) return nullptr;
    RECT item{};
    SendMessageW(bar, TB_GETITEMRECT, index, (LPARAM)&item);

    const DWORD comboStyle = (style & ~(WS_POPUP | WS_OVERLAPPEDWINDOW)) | WS_CHILD | WS_VISIBLE;
    HWND combo = CreateWindowExW(0, WC_COMBOBOXW, L"", comboStyle, item.left, 0, width, 200, bar,
                                 (HMENU)(UINT_PTR)id, instance, nullptr);
    if (!combo) {
        SendMessageW(bar, TB_DELETEBUTTON, index, 0);
        return nullptr;
    }
    SendMessageW(combo, WM_SETFONT, (WPARAM)BarFont(bar), FALSE);

    // Room for ten entries when dropped; the closed field is as high as the font needs.
    const int fieldHeight = (int)SendMessageW(combo, CB_GETITEMHEIGHT, (WPARAM)-1, 0);
    const int itemHeight = (int)SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
    const int dropped = fieldHeight + 2 * GetSystemMetrics(SM_CYEDGE) + kComboVisibleItems * itemHeight + 4;
    SetWindowPos(combo, nullptr, 0, 0, width, dropped, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT closed{};
    GetWindowRect(combo, &closed);
    const int comboHeight = closed.bottom - closed.top;
    const int barHeight = std::max<int>(comboHeight, HIWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0)));
    SetWindowPos(combo, nullptr, item.left, (barHeight - comboHeight) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitBandToBar(bar);
    return combo;
}

BOOL CommandBar_InsertMenubar(HWND bar, HINSTANCE instance, WORD menuId, int button)
{
    if (!FindCommandBarState(bar) || MenuBarMenu(bar)) return FALSE;
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    if (!menu) return FALSE;
    if (!AttachMenuBar(bar, menu, button)) {
        DestroyMenu(menu);
        return FALSE;
    }
    FitBandToBar(bar);
    return TRUE;
}

HMENU CommandBar_GetMenu(HWND bar, int button)
{
    (void)button;
    return FindCommandBarState(bar) ? MenuBarMenu(bar) : nullptr;
}

int CommandBar_Height(HWND bar)
{
    // Inside the strip the bar is as high as the strip: the main window lays out beneath it.
    HWND bands = GetParent(bar);
    RECT rect{};
    if (FindCommandBarState(bar) && FindBandsState(bands))
        GetWindowRect(bands, &rect);
    else if (!GetWindowRect(bar, &rect))
        return 0;
    return rect.bottom - rect.top;
}

void CommandBar_Destroy(HWND bar)
{
    if (bar) DestroyWindow(bar);
}
