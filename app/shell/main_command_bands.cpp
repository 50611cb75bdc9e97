#include "shell/main_command_bands.h"
#include "platform/command_bands.h"
#include "resources/resource.h"
#include "common/screen_density.h"

namespace {

constexpr UINT kCommandBandsId = 1;
constexpr DWORD kCommandBandsStyle = 0x1000;  // the device's smart-labels band style
constexpr UINT kBandCount = 3;
constexpr int kBandWidths[kBandCount] = {110, 155, 189};  // menu, buttons, filter; pixels at 96 DPI
constexpr WORD kFilterComboId = 3;
constexpr UINT kFilterComboStyle = WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT;
constexpr DWORD kAdornmentFlags = 0x0B;

const WCHAR *const kButtonTips[] = {L"Neu", L"Bearbeiten", L"Ausschneiden", L"Kopieren", L"Einfügen", L"Löschen"};

TBBUTTON Button(int image, int command, BYTE state, BYTE style)
{
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = state;
    button.fsStyle = style;
    return button;
}

// The commands that need a selection or a clipboard object start disabled.
const TBBUTTON kButtons[] = {
    Button(STD_FILENEW, IDM_NEW_OBJECT, TBSTATE_ENABLED, BTNS_BUTTON),
    Button(STD_FILEOPEN, IDM_MODIFY, 0, BTNS_BUTTON),
    Button(0, 0, TBSTATE_ENABLED, BTNS_SEP),
    Button(STD_CUT, IDM_CUT, 0, BTNS_BUTTON),
    Button(STD_COPY, IDM_COPY, 0, BTNS_BUTTON),
    Button(STD_PASTE, IDM_PASTE, 0, BTNS_BUTTON),
    Button(0, 0, TBSTATE_ENABLED, BTNS_SEP),
    Button(STD_DELETE, IDM_DELETE, 0, BTNS_BUTTON),
};

}  // namespace

MainCommandBands CreateMainCommandBands(HINSTANCE instance, HWND window)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    MainCommandBands strip;
    strip.bands = CommandBands_Create(instance, window, kCommandBandsId, kCommandBandsStyle, nullptr);

    REBARBANDINFOW bands[kBandCount] = {};
    for (UINT i = 0; i < kBandCount; ++i) {
        bands[i].cbSize = sizeof bands[i];
        bands[i].fMask = RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
        bands[i].fStyle = RBBS_NOGRIPPER;
        bands[i].cx = ScaleToScreen(kBandWidths[i]);
        bands[i].wID = i + 1;
    }
    CommandBands_AddBands(strip.bands, instance, kBandCount, bands);

    strip.menuBar = CommandBands_GetCommandBar(strip.bands, 0);
    CommandBar_InsertMenubar(strip.menuBar, instance, IDR_MAIN_MENU, 0);
    strip.menu = CommandBar_GetMenu(strip.menuBar, 0);

    strip.buttonBar = CommandBands_GetCommandBar(strip.bands, 1);
    CommandBar_AddBitmap(strip.buttonBar, HINST_COMMCTRL_DEVICE, 0, 0, 0, 0);
    CommandBar_AddButtons(strip.buttonBar, ARRAYSIZE(kButtons), kButtons);

    strip.filterBar = CommandBands_GetCommandBar(strip.bands, 2);
    strip.filterCombo = CommandBar_InsertComboBox(strip.filterBar, instance, ScaleToScreen(kBandWidths[2]),
                                                  kFilterComboStyle, kFilterComboId, 0);
    return strip;
}

void AddMainBandsAdornments(HINSTANCE instance, HWND bands, HWND buttonBar)
{
    CommandBands_AddAdornments(bands, instance, kAdornmentFlags, nullptr);
    SendMessageW(buttonBar, CMDBAR_SETTOOLTIPS, ARRAYSIZE(kButtonTips), reinterpret_cast<LPARAM>(kButtonTips));
}
