// The device's command bands and command bars, built from desktop controls: a band strip across
// the top of its parent holding a menu bar, a toolbar and a combo box side by side. Commands and
// notifications from the bars reach the parent of the bands unchanged.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Device adornment flags of CommandBands_AddAdornments.
constexpr DWORD CMDBAR_HELP = 0x0001;
constexpr DWORD CMDBAR_OK = 0x0002;
// Device message "set tooltips" of a command bar: wParam count, lParam table of texts.
// (The desktop SDK names 0x451 TB_INSERTMARKHITTEST and has its own TB_SETTOOLTIPS.)
constexpr UINT CMDBAR_SETTOOLTIPS = WM_USER + 81;  // 0x451
// Standard small colour images of the common controls (device value of the instance handle).
#define HINST_COMMCTRL_DEVICE ((HINSTANCE)(LONG_PTR)-1)
// The side in pixels of the standard images on this screen: 16, or 24 from 144 DPI on. The bars
// draw the images at that size; what stands beside them grows with it.
constexpr int kSmallStandardImageSize = 16;
int StandardImageSize();

HWND CommandBands_Create(HINSTANCE instance, HWND parent, UINT id, DWORD styles, HIMAGELIST images);
// Adds bandCount bands; each band gets an empty command bar of its own, its id from wID.
BOOL CommandBands_AddBands(HWND bands, HINSTANCE instance, UINT bandCount, LPREBARBANDINFOW bandInfo);
// The command bar of band index `band` (0-based).
HWND CommandBands_GetCommandBar(HWND bands, UINT band);
// Adds the help button (sends WM_HELP to the parent) and the close button (sends WM_CLOSE).
BOOL CommandBands_AddAdornments(HWND bands, HINSTANCE instance, DWORD flags, LPREBARBANDINFOW bandInfo);

BOOL CommandBar_InsertMenubar(HWND bar, HINSTANCE instance, WORD menuId, int button);
HMENU CommandBar_GetMenu(HWND bar, int button);
// instance HINST_COMMCTRL_DEVICE with bitmap 0: the standard small colour images.
int CommandBar_AddBitmap(HWND bar, HINSTANCE instance, int bitmapId, int imageCount, int imageWidth,
                         int imageHeight);
BOOL CommandBar_AddButtons(HWND bar, UINT count, const TBBUTTON *buttons);
BOOL CommandBar_AddToolTips(HWND bar, UINT count, const WCHAR *const *texts);
HWND CommandBar_InsertComboBox(HWND bar, HINSTANCE instance, int width, UINT style, WORD id, WORD button);
int CommandBar_Height(HWND bar);
void CommandBar_Destroy(HWND bar);
