// PegHelp.exe: our stand-in for the handheld's help viewer. Takes "file.htp#anchor" (the file
// relative to this program's folder unless absolute) and shows that section of the HTML help
// file. A second start hands its argument to the window already open.
#include "help_document.h"
#include "reading_font.h"
#include "common/program_folder.h"
#include "common/screen_density.h"
#include "common/unique_handles.h"
#include <windows.h>
#include <shellapi.h>
#include <string>

namespace {

const WCHAR kWindowClass[] = L"PegHelpWindow";
const WCHAR kTitle[] = L"Zifferbox-Hilfe";
constexpr int kHeadingId = 100;
constexpr int kBodyId = 101;
constexpr ULONG_PTR kShowTopicCopyData = 0x50484C50;  // "PHLP"
constexpr DWORD kMaxFileSize = 4 * 1024 * 1024;
// The page in pixels at 96 DPI: window, margins, the heading above the text and both fonts.
constexpr int kWindowWidth = 380;
constexpr int kWindowHeight = 440;
constexpr int kMargin = 10;
constexpr int kHeadingTop = 8;
constexpr int kHeadingHeight = 24;
constexpr int kBodyTop = 38;
constexpr int kHeadingFontHeight = -17;
constexpr int kBodyFontHeight = -13;

UniqueFont headingFont;
UniqueFont bodyFont;

bool IsAbsolute(const std::wstring &path)
{
    return (path.size() >= 2 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

bool ReadFileBytes(const std::wstring &path, std::string *bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileSize) return false;
    bytes->assign((size_t)size.QuadPart, '\0');
    DWORD read = 0;
    if (size.QuadPart > 0 && !ReadFile(file.get(), &(*bytes)[0], (DWORD)size.QuadPart, &read, nullptr)) return false;
    bytes->resize(read);
    return true;
}

struct Topic {
    std::wstring title;
    std::wstring heading;
    std::wstring text;
};

Topic LoadTopic(const std::wstring &argument)
{
    const size_t hash = argument.find(L'#');
    std::wstring file = argument.substr(0, hash);
    const std::wstring anchor = hash == std::wstring::npos ? L"" : argument.substr(hash + 1);
    if (file.empty()) file = L"zifferbox.htp";
    const std::wstring path = IsAbsolute(file) ? file : ProgramFolder() + file;

    Topic topic;
    std::string bytes;
    if (!ReadFileBytes(path, &bytes)) {
        topic.title = kTitle;
        topic.heading = L"Hilfe nicht verfügbar";
        topic.text = L"Die Hilfedatei \u201E" + file + L"\u201C konnte nicht geöffnet werden.\r\n\r\n"
                     L"Sie wird hier gesucht:\r\n" + path;
        return topic;
    }
    const HelpSection section = ExtractHelpSection(DecodeUtf8(bytes), anchor);
    topic.heading = section.heading.empty() ? std::wstring(kTitle) : section.heading;
    topic.text = section.text;
    topic.title = section.heading.empty() ? std::wstring(kTitle) : std::wstring(kTitle) + L" - " + section.heading;
    return topic;
}

void ShowTopic(HWND window, const std::wstring &argument)
{
    const Topic topic = LoadTopic(argument);
    SetWindowTextW(window, topic.title.c_str());
    SetDlgItemTextW(window, kHeadingId, topic.heading.c_str());
    SetDlgItemTextW(window, kBodyId, topic.text.c_str());
}

void Layout(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int margin = ScaleToScreen(kMargin);
    const int width = client.right - 2 * margin;
    const int bodyTop = ScaleToScreen(kBodyTop);
    MoveWindow(GetDlgItem(window, kHeadingId), margin, ScaleToScreen(kHeadingTop), width, ScaleToScreen(kHeadingHeight),
               TRUE);
    MoveWindow(GetDlgItem(window, kBodyId), margin, bodyTop, width, client.bottom - bodyTop - margin, TRUE);
}

LRESULT OnCreate(HWND window, const CREATESTRUCTW *create)
{
    HINSTANCE instance = create->hInstance;
    HWND heading = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                                   window, (HMENU)(INT_PTR)kHeadingId, instance, nullptr);
    HWND body = CreateWindowExW(0, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                0, 0, 0, 0, window, (HMENU)(INT_PTR)kBodyId, instance, nullptr);
    if (!heading || !body) return -1;
    SendMessageW(heading, WM_SETFONT, (WPARAM)headingFont.get(), FALSE);
    SendMessageW(body, WM_SETFONT, (WPARAM)bodyFont.get(), FALSE);
    ShowTopic(window, static_cast<const WCHAR *>(create->lpCreateParams));
    Layout(window);
    return 0;
}

LRESULT OnCopyData(HWND window, const COPYDATASTRUCT *data)
{
    if (!data || data->dwData != kShowTopicCopyData || !data->lpData) return FALSE;
    const size_t length = data->cbData / sizeof(WCHAR);
    std::wstring argument(static_cast<const WCHAR *>(data->lpData), length);
    argument.resize(wcsnlen(argument.c_str(), length));
    ShowTopic(window, argument);
    SendDlgItemMessageW(window, kBodyId, EM_SETSEL, 0, 0);
    SendDlgItemMessageW(window, kBodyId, EM_SCROLLCARET, 0, 0);
    return TRUE;
}

LRESULT CALLBACK HelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTW *>(lParam));
    case WM_SIZE:
        Layout(window);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, kBodyId));
        return 0;
    case WM_CTLCOLORSTATIC:
        // The read-only text reads as a page, not as a disabled field.
        SetBkColor((HDC)wParam, GetSysColor(COLOR_WINDOW));
        SetTextColor((HDC)wParam, GetSysColor(COLOR_WINDOWTEXT));
        return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
    case WM_COPYDATA:
        return OnCopyData(window, reinterpret_cast<const COPYDATASTRUCT *>(lParam));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring ArgumentOfCommandLine()
{
    int count = 0;
    const UniqueLocalBlock<LPWSTR *> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    return (arguments && count > 1) ? arguments.get()[1] : L"";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const std::wstring argument = ArgumentOfCommandLine();
    if (HWND open = FindWindowW(kWindowClass, nullptr)) {
        COPYDATASTRUCT data{kShowTopicCopyData, (DWORD)((argument.size() + 1) * sizeof(WCHAR)),
                            const_cast<WCHAR *>(argument.c_str())};
        if (SendMessageW(open, WM_COPYDATA, 0, (LPARAM)&data)) {
            SetForegroundWindow(open);
            return 0;
        }
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = HelpWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_QUESTION);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassW(&wc)) return 1;
    headingFont.reset(CreateReadingFont(ScaleToScreen(kHeadingFontHeight), FW_BOLD, kGermanSample));
    bodyFont.reset(CreateReadingFont(ScaleToScreen(kBodyFontHeight), FW_NORMAL, kGermanSample));

    HWND window = CreateWindowExW(0, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  ScaleToScreen(kWindowWidth), ScaleToScreen(kWindowHeight), nullptr, nullptr, instance,
                                  const_cast<WCHAR *>(argument.c_str()));
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}
