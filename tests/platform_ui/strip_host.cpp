#include "strip_host.h"
#include "platform/command_bands.h"

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

    StripHost host;
    host.window = CreateWindowExW(0, kHostClass, L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                  nullptr, instance, nullptr);
    static_cast<MainCommandBands &>(host) = CreateMainCommandBands(instance, host.window);
    SendMessageW(host.filterCombo, CB_ADDSTRING, 0, (LPARAM)L" - Alle -");
    SendMessageW(host.filterCombo, CB_ADDSTRING, 0, (LPARAM)L" - Ohne -");
    SendMessageW(host.filterCombo, CB_SETCURSEL, 0, 0);
    AddMainBandsAdornments(instance, host.bands, host.buttonBar);

    // Sent again from a table on the stack, as a caller may: the bar must keep copies.
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
