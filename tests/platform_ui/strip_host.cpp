#include "strip_host.h"
#include "platform/command_bands.h"
#include "resources/resource.h"

std::vector<ReceivedMessage> hostMessages;
std::vector<WPARAM> keysForPopup;

namespace {

const WCHAR kHostClass[] = L"PlatformStripHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_HELP:
        hostMessages.push_back({message, wParam, lParam});
        return 0;
    case WM_CLOSE:
        hostMessages.push_back({message, wParam, lParam});
        return 0;  // the test destroys the window itself
    case WM_INITMENUPOPUP:
        hostMessages.push_back({message, wParam, lParam});
        for (WPARAM key : keysForPopup) PostMessageW(window, WM_KEYDOWN, key, 0);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

StripHost CreateStripHost()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    StripHost host;
    host.window = CreateWindowExW(0, kHostClass, L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                  nullptr, instance, nullptr);
    host.bands = CommandBands_Create(instance, host.window, 1, 0x1000, nullptr);
    REBARBANDINFOW bands[3]{};
    const UINT widths[3] = {110, 155, 189};
    for (int i = 0; i < 3; ++i) {
        bands[i].cbSize = sizeof bands[i];
        bands[i].fMask = RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
        bands[i].fStyle = RBBS_NOGRIPPER;
        bands[i].cx = widths[i];
        bands[i].wID = i + 1;
    }
    CommandBands_AddBands(host.bands, instance, 3, bands);
    host.menuBar = CommandBands_GetCommandBar(host.bands, 0);
    CommandBar_InsertMenubar(host.menuBar, instance, IDR_MAIN_MENU, 0);
    host.menu = CommandBar_GetMenu(host.menuBar, 0);

    host.buttonBar = CommandBands_GetCommandBar(host.bands, 1);
    CommandBar_AddBitmap(host.buttonBar, HINST_COMMCTRL_DEVICE, 0, 0, 0, 0);
    const TBBUTTON buttons[8] = {
        {6, IDM_NEW_OBJECT, 4, 0, {}, 0, 0}, {7, IDM_MODIFY, 0, 0, {}, 0, 0}, {0, 0, 4, 1, {}, 0, 0},
        {0, IDM_CUT, 0, 0, {}, 0, 0},        {1, IDM_COPY, 0, 0, {}, 0, 0},   {2, IDM_PASTE, 0, 0, {}, 0, 0},
        {0, 0, 4, 1, {}, 0, 0},              {5, IDM_DELETE, 0, 0, {}, 0, 0},
    };
    CommandBar_AddButtons(host.buttonBar, 8, buttons);

    host.filterBar = CommandBands_GetCommandBar(host.bands, 2);
    host.filterCombo = CommandBar_InsertComboBox(host.filterBar, instance, 189, 0x00200103, 3, 0);
    SendMessageW(host.filterCombo, CB_ADDSTRING, 0, (LPARAM)L" - Alle -");
    SendMessageW(host.filterCombo, CB_ADDSTRING, 0, (LPARAM)L" - Ohne -");
    SendMessageW(host.filterCombo, CB_SETCURSEL, 0, 0);

    CommandBands_AddAdornments(host.bands, instance, 0x0B, nullptr);
    // The caller's table lives on the stack: the bar must keep copies.
    WCHAR texts[6][32] = {L"Neu", L"Bearbeiten", L"Ausschneiden", L"Kopieren", L"Einfügen", L"Löschen"};
    const WCHAR *tips[6] = {texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]};
    SendMessageW(host.buttonBar, 0x0451, 6, (LPARAM)tips);  // as the device's callers send it
    for (auto &text : texts) text[0] = L'#';

    const int h = CommandBar_Height(host.menuBar);
    host.list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", 0x50200001, 0, h + 60, 640, 200, host.window,
                                nullptr, instance, nullptr);
    SendMessageW(host.list, LB_ADDSTRING, 0, (LPARAM)L"Eintrag");
    hostMessages.clear();
    return host;
}

void DestroyStripHost(StripHost &host)
{
    if (host.window) DestroyWindow(host.window);
    host = StripHost{};
    hostMessages.clear();
    keysForPopup.clear();
}

std::vector<ReceivedMessage> Received(UINT message)
{
    std::vector<ReceivedMessage> found;
    for (const auto &m : hostMessages)
        if (m.message == message) found.push_back(m);
    return found;
}
