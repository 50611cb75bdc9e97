#include "probe_figures.h"
#include "probe_output.h"
#include "probe_windows.h"
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

const wchar_t kIdleWindowClass[] = L"ZifferboxProbeIdle";

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls until `done` holds; the time it first held, or a negative value after the timeout.
double WaitFor(const std::function<bool()> &done, double timeoutMs = 20000)
{
    const double start = Now();
    while (Now() - start < timeoutMs) {
        if (done())
            return Now();
        Sleep(1);
    }
    return -1;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

void Key(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void Press(WORD virtualKey)
{
    Key(virtualKey, false);
    Key(virtualKey, true);
}

void PressWithControl(WORD virtualKey)
{
    Key(VK_CONTROL, false);
    Press(virtualKey);
    Key(VK_CONTROL, true);
}

// Types letters, digits and blanks as the keys a user presses (lower case without Shift).
void Type(const std::wstring &text)
{
    for (wchar_t c : text) {
        if (c >= L'a' && c <= L'z')
            Press(static_cast<WORD>(c - L'a' + L'A'));
        else if (c >= L'A' && c <= L'Z') {
            Key(VK_SHIFT, false);
            Press(static_cast<WORD>(c));
            Key(VK_SHIFT, true);
        } else if ((c >= L'0' && c <= L'9') || c == L' ')
            Press(static_cast<WORD>(c));
    }
}

HWND ListOf(HWND window)
{
    return FindWindowExW(window, nullptr, L"ListBox", nullptr);
}

// Whether the selected first row of the window's list is on the screen: the middle of that row
// has the selection colour.
bool FirstRowPainted(HWND window)
{
    HWND list = window ? ListOf(window) : nullptr;
    if (!list || !IsWindowVisible(window) || Ask(list, LB_GETCOUNT) <= 0)
        return false;
    const LRESULT rowHeight = Ask(list, LB_GETITEMHEIGHT, 0);
    RECT area;
    GetWindowRect(list, &area);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, (area.left + area.right) / 2, area.top + 2 + static_cast<int>(rowHeight) / 2);
    ReleaseDC(nullptr, screen);
    return pixel == GetSysColor(COLOR_HIGHLIGHT);
}

std::wstring SelectedText(HWND list)
{
    const LRESULT selected = Ask(list, LB_GETCURSEL);
    if (selected < 0)
        return L"";
    wchar_t text[512] = L"";
    if (Ask(list, LB_GETTEXTLEN, selected) < 512)
        Ask(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(text));
    return text;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const wchar_t *name, const std::vector<double> &values)
{
    wchar_t line[160];
    const double worst = values.empty() ? -1 : *std::max_element(values.begin(), values.end());
    swprintf(line, 160, L"%ls: %.0f ms", name, Median(values));
    PrintLine(line);
    swprintf(line, 160, L"%ls_max: %.0f ms", name, worst);
    PrintLine(line);
}

// One start of the program: milliseconds from process creation until its selected first row
// is on the screen, or a negative value. The window is closed afterwards.
double TimeOneStart(const std::wstring &program, const std::wstring &arguments, const wchar_t *windowClass,
                    const wchar_t *title)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    HWND window = nullptr;
    const double shown = WaitFor([&] {
        window = FindWindowW(windowClass, title);
        return FirstRowPainted(window);
    });
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown < 0 ? -1 : shown - start;
}

int FigureStart(const std::wstring &program, int runs)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<double> idle, full, net;
    for (int i = 0; i < runs; ++i) {
        const double baseline = TimeOneStart(self, L"idle-window", kIdleWindowClass, kIdleWindowClass);
        const double filled = TimeOneStart(program, L"", L"Zifferbox", L"Zifferbox");
        if (baseline < 0 || filled < 0) {
            PrintLine(L"probe: a start did not show its list");
            return 1;
        }
        idle.push_back(baseline);
        full.push_back(filled);
        net.push_back(filled - baseline);
    }
    Report(L"ui_start_trivial_window", idle);
    Report(L"ui_start_filled_window", full);
    Report(L"ui_start_filled_window_net", net);
    return 0;
}

struct Running {
    HWND main = nullptr;
    MainParts parts;
};

bool FindRunning(Running *running)
{
    running->main = FindMainWindow();
    running->parts = FindMainParts(running->main);
    if (!running->parts.list || !running->parts.rows[0] || !running->parts.filter) {
        PrintLine(L"probe: Zifferbox is not running");
        return false;
    }
    SetForegroundWindow(running->main);
    return true;
}

int FigureSelect(int runs)
{
    Running z;
    if (!FindRunning(&z))
        return 1;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const std::wstring before = TextOf(z.parts.rows[0]);
        const double start = Now();
        Press(VK_DOWN);
        const double changed = WaitFor([&] { return TextOf(z.parts.rows[0]) != before; }, 5000);
        if (changed < 0) {
            PrintLine(L"probe: the rows did not follow the Down key");
            return 1;
        }
        Ask(z.main, WM_NULL);  // the rest of the handler
        times.push_back(Now() - start);
    }
    Report(L"ui_select_next", times);
    return 0;
}

HWND ShownDialogOf(DWORD processId)
{
    HWND dialog = GetForegroundWindow();
    DWORD owner = 0;
    GetWindowThreadProcessId(dialog, &owner);
    return owner == processId && ClassOf(dialog) == L"#32770" && IsWindowVisible(dialog) ? dialog : nullptr;
}

int FigureNew(int runs)
{
    Running z;
    if (!FindRunning(&z))
        return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(z.main, &processId);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const std::wstring name = L"Messung " + std::to_wstring(GetTickCount() % 100000) + L" " + std::to_wstring(i);
        PressWithControl(L'N');
        HWND dialog = nullptr;
        if (WaitFor([&] { return (dialog = ShownDialogOf(processId)) != nullptr; }, 5000) < 0) {
            PrintLine(L"probe: Ctrl+N opened no editor");
            return 1;
        }
        Type(name);
        Press(VK_TAB);
        Type(L"SN " + std::to_wstring(i));
        HWND nameEdit = GetDlgItem(dialog, 1017);
        WaitFor([&] {
            wchar_t text[256] = L"";
            Ask(nameEdit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
            return name == text;
        }, 5000);
        const double start = Now();
        Press(VK_RETURN);
        const double listed = WaitFor([&] { return !IsWindow(dialog) && SelectedText(z.parts.list) == name; });
        if (listed < 0) {
            PrintLine(L"probe: the new object was not selected in the list");
            return 1;
        }
        Ask(z.main, WM_NULL);
        times.push_back(Now() - start);
    }
    Report(L"ui_new_object_ok_to_list", times);
    return 0;
}

// With the filter drop-down open (the caller clicked it), moves to the entry at `target` and
// takes it with Enter; milliseconds until the list is refilled and the rows follow.
int FigureFilterPick(const std::wstring &name, int target)
{
    Running z;
    if (!FindRunning(&z))
        return 1;
    if (WaitFor([] {
            HWND dropped = FindWindowW(L"ComboLBox", nullptr);
            return dropped && IsWindowVisible(dropped);
        }, 5000) < 0) {
        PrintLine(L"probe: the filter drop-down is not open");
        return 1;
    }
    const LRESULT current = Ask(z.parts.filter, CB_GETCURSEL);
    const LRESULT countBefore = Ask(z.parts.list, LB_GETCOUNT);
    const std::wstring rowBefore = TextOf(z.parts.rows[0]);
    const double start = Now();
    for (LRESULT i = current; i < target; ++i)
        Press(VK_DOWN);
    for (LRESULT i = current; i > target; --i)
        Press(VK_UP);
    Press(VK_RETURN);
    const double refilled = WaitFor([&] {
        return Ask(z.parts.list, LB_GETCOUNT) != countBefore && TextOf(z.parts.rows[0]) != rowBefore;
    });
    if (refilled < 0) {
        PrintLine(L"probe: the filter choice did not refill the list");
        return 1;
    }
    Ask(z.main, WM_NULL);
    Report(name.c_str(), {Now() - start});
    return 0;
}

}  // namespace

int RunFigure(int argc, wchar_t **argv)
{
    const std::wstring figure = argc > 2 ? argv[2] : L"";
    if (figure == L"start" && argc == 5)
        return FigureStart(argv[3], std::max(1, _wtoi(argv[4])));
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    if (figure == L"select")
        return FigureSelect(runs);
    if (figure == L"new")
        return FigureNew(runs);
    if (figure == L"filter-pick" && argc == 5)
        return FigureFilterPick(argv[3], _wtoi(argv[4]));
    PrintLine(L"usage: probe figure start <program> <runs> | select|new [runs] | filter-pick <name> <entry>");
    return 2;
}
