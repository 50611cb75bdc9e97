// probe.exe: looks at the running Zifferbox from outside, for the acceptance journeys and the
// UI figures. Runs in the same Wine prefix and X display as the program it looks at.
//
//   probe state [items]               the main window: list, selection, rows, filter, buttons
//   probe dialog                      the shown dialog or message box and its controls
//   probe windows                     the visible top-level windows and the foreground one
//   probe clip                        the clipboard's Unicode text (escaped: \r \n \t \\)
//   probe clip-set <text>             puts the (escaped) text on the clipboard
//   probe point <class> <text|*>      screen centre "x y" of that control, for xdotool
//   probe rect <class> <text|*>       its screen rectangle as WxH+X+Y, for cropping pictures
//   probe expect <source> <ms> <line>...
//                                     polls the source (state, dialog, windows, clip)
//                                     until every line is shown; "!line" must be absent and
//                                     "line*" matches by its beginning. Exit 1 and the last
//                                     reading on timeout.
//   probe post-select <n>            posts LB_SETCURSEL n to the main window's list: a sentinel
//                                     that shows once Zifferbox handled what was posted before
//   probe idle-window                 a trivial window with one list entry (start baseline)
//   probe figure <name> ...           UI figures, see probe_figures.h
#include "probe_figures.h"
#include "probe_output.h"
#include "probe_windows.h"
#include <string>

namespace {

Lines Read(const std::wstring &source)
{
    if (source == L"state") return ReadMainState(30);
    if (source == L"dialog") return ReadDialog();
    if (source == L"windows") return ReadWindows();
    if (source == L"clip") return ReadClipboard();
    return {L"unknown source " + source};
}

bool Shows(const Lines &lines, const std::wstring &wanted)
{
    const bool prefix = !wanted.empty() && wanted.back() == L'*';
    const std::wstring text = prefix ? wanted.substr(0, wanted.size() - 1) : wanted;
    for (const std::wstring &line : lines)
        if (prefix ? line.compare(0, text.size(), text) == 0 : line == text)
            return true;
    return false;
}

int Expect(int argc, wchar_t **argv)
{
    if (argc < 5) {
        PrintLine(L"usage: probe expect <source> <ms> <line>...");
        return 2;
    }
    const std::wstring source = argv[2];
    const DWORD timeout = wcstoul(argv[3], nullptr, 10);
    const DWORD start = GetTickCount();
    Lines lines;
    std::wstring missing;
    for (;;) {
        lines = Read(source);
        missing.clear();
        for (int i = 4; i < argc; ++i) {
            const std::wstring wanted = argv[i];
            const bool absent = !wanted.empty() && wanted[0] == L'!';
            if (Shows(lines, absent ? wanted.substr(1) : wanted) == absent)
                missing += L"  " + wanted + L"\n";
        }
        if (missing.empty())
            return 0;
        if (GetTickCount() - start >= timeout)
            break;
        Sleep(30);
    }
    PrintLine(L"probe: after " + std::to_wstring(timeout) + L" ms " + source + L" still lacks:\n" + missing +
              L"probe: it shows:");
    PrintLines(lines);
    return 1;
}

LRESULT CALLBACK IdleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The least a Win32 program does before its window shows a list entry: what Wine's own start
// costs, to be taken off Zifferbox's start figure.
int IdleWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = IdleWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kIdleWindowClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, kIdleWindowClass, kIdleWindowClass, WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0, 400, 300,
                                window, nullptr, windowClass.hInstance, nullptr);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"entry"));
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"state") {
        PrintLines(ReadMainState(argc > 2 ? _wtoi(argv[2]) : 30));
        return 0;
    }
    if (command == L"dialog" || command == L"windows" || command == L"clip") {
        PrintLines(Read(command));
        return 0;
    }
    if (command == L"clip-set" && argc == 3)
        return WriteClipboard(argv[2]) ? 0 : 1;
    if (command == L"point" && argc == 4) {
        POINT centre;
        if (!FindControlCentre(argv[2], argv[3], &centre))
            return 1;
        PrintLine(std::to_wstring(centre.x) + L" " + std::to_wstring(centre.y));
        return 0;
    }
    if (command == L"rect" && argc == 4) {
        RECT area;
        if (!FindControlRect(argv[2], argv[3], &area))
            return 1;
        PrintLine(std::to_wstring(area.right - area.left) + L"x" + std::to_wstring(area.bottom - area.top) + L"+" +
                  std::to_wstring(area.left) + L"+" + std::to_wstring(area.top));
        return 0;
    }
    if (command == L"post-select" && argc == 3) {
        const MainParts parts = FindMainParts(FindMainWindow());
        return parts.list && PostMessageW(parts.list, LB_SETCURSEL, _wtoi(argv[2]), 0) ? 0 : 1;
    }
    if (command == L"expect")
        return Expect(argc, argv);
    if (command == L"idle-window")
        return IdleWindow();
    if (command == L"figure")
        return RunFigure(argc, argv);
    PrintLine(L"usage: probe state|dialog|windows|clip|clip-set|point|rect|post-select|expect|idle-window|figure ...");
    return 2;
}
