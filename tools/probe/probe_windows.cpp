#include "probe_windows.h"
#include <commctrl.h>
#include <algorithm>

namespace {

// Commands of the button bar, by the names the scripts use.
const struct {
    const wchar_t *name;
    int command;
} kButtons[] = {{L"new", 101},   {L"modify", 40004}, {L"cut", 40013},
                {L"copy", 40010}, {L"paste", 40011}, {L"delete", 40005}};

constexpr UINT kReplyTimeout = 2000;

// A message to another process's window that gives up when that window's thread hangs.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyTimeout, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

std::wstring ListText(HWND list, int index, bool combo)
{
    const LRESULT length = Ask(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index);
    if (length < 0 || length > 4096)
        return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Ask(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::wstring Describe(HWND window)
{
    if (!window)
        return L"none";
    return ClassOf(window) + L"|" + TextOf(window);
}

struct Children {
    std::vector<HWND> all;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter)
{
    reinterpret_cast<Children *>(parameter)->all.push_back(child);
    return TRUE;
}

std::vector<HWND> DescendantsOf(HWND parent)
{
    Children children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children.all;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter)
{
    reinterpret_cast<Children *>(parameter)->all.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows()
{
    Children windows;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    return windows.all;
}

HWND ShownDialog()
{
    HWND foreground = GetForegroundWindow();
    if (foreground && ClassOf(foreground) == L"#32770" && IsWindowVisible(foreground))
        return foreground;
    for (HWND window : TopLevelWindows())
        if (IsWindowVisible(window) && ClassOf(window) == L"#32770")
            return window;
    return nullptr;
}

std::wstring NumberText(long long value)
{
    return std::to_wstring(value);
}

}  // namespace

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring Escape(const std::wstring &text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'\r': out += L"\\r"; break;
        case L'\n': out += L"\\n"; break;
        case L'\t': out += L"\\t"; break;
        case L'\\': out += L"\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::wstring Unescape(const std::wstring &text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const wchar_t next = text[++i];
        out += next == L'r' ? L'\r' : next == L'n' ? L'\n' : next == L't' ? L'\t' : next;
    }
    return out;
}

HWND FindMainWindow()
{
    return FindWindowW(L"Zifferbox", L"Zifferbox");
}

MainParts FindMainParts(HWND main)
{
    MainParts parts;
    if (!main)
        return parts;
    std::vector<HWND> rows;
    for (HWND child : DescendantsOf(main)) {
        const std::wstring cls = ClassOf(child);
        if (GetParent(child) == main && lstrcmpiW(cls.c_str(), L"ListBox") == 0)
            parts.list = child;
        else if (lstrcmpiW(cls.c_str(), L"ComboBox") == 0)
            parts.filter = child;
        else if (GetParent(child) == main && lstrcmpiW(cls.c_str(), L"Static") == 0 && IsWindowVisible(child))
            rows.push_back(child);
        else if (cls == TOOLBARCLASSNAMEW && Ask(child, TB_COMMANDTOINDEX, 40004) >= 0)
            parts.buttons = child;
    }
    // The rows from top to bottom: name, serial number, remark.
    std::sort(rows.begin(), rows.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    for (size_t i = 0; i < rows.size() && i < 3; ++i)
        parts.rows[i] = rows[i];
    return parts;
}

Lines ReadMainState(int itemLimit)
{
    Lines lines;
    HWND main = FindMainWindow();
    if (!main) {
        lines.push_back(L"window=none");
        lines.push_back(L"foreground=" + Describe(GetForegroundWindow()));
        return lines;
    }
    lines.push_back(IsWindowVisible(main) ? L"window=shown" : L"window=hidden");
    const MainParts parts = FindMainParts(main);
    if (parts.list) {
        const LRESULT count = Ask(parts.list, LB_GETCOUNT);
        lines.push_back(L"count=" + NumberText(count));
        lines.push_back(L"selected=" + NumberText(Ask(parts.list, LB_GETCURSEL)));
        for (LRESULT i = 0; i < count && i < itemLimit; ++i)
            lines.push_back(L"item." + NumberText(i) + L"=" + ListText(parts.list, static_cast<int>(i), false));
    }
    const wchar_t *rowNames[3] = {L"name=", L"serial=", L"remark="};
    for (int i = 0; i < 3; ++i)
        if (parts.rows[i])
            lines.push_back(rowNames[i] + TextOf(parts.rows[i]));
    if (parts.filter) {
        const LRESULT selected = Ask(parts.filter, CB_GETCURSEL);
        lines.push_back(L"filter=" + (selected >= 0 ? ListText(parts.filter, static_cast<int>(selected), true) : L""));
        std::wstring items;
        const LRESULT count = Ask(parts.filter, CB_GETCOUNT);
        for (LRESULT i = 0; i < count; ++i)
            items += (i ? L"|" : L"") + ListText(parts.filter, static_cast<int>(i), true);
        lines.push_back(L"filter.items=" + items);
    }
    if (parts.buttons)
        for (const auto &button : kButtons)
            lines.push_back(std::wstring(L"button.") + button.name + L"=" +
                            (Ask(parts.buttons, TB_ISBUTTONENABLED, button.command) > 0 ? L"1" : L"0"));
    lines.push_back(L"foreground=" + Describe(GetForegroundWindow()));
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
        lines.push_back(L"focus=" + (info.hwndFocus ? ClassOf(info.hwndFocus) : std::wstring(L"none")));
    return lines;
}

Lines ReadDialog()
{
    Lines lines;
    HWND dialog = ShownDialog();
    if (!dialog) {
        lines.push_back(L"dialog=none");
        return lines;
    }
    lines.push_back(L"dialog=" + TextOf(dialog));
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
        lines.push_back(L"dialog.focus=" + NumberText(GetDlgCtrlID(info.hwndFocus)));
    for (HWND child : DescendantsOf(dialog)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring cls = ClassOf(child);
        const std::wstring key = cls + L"." + NumberText(GetDlgCtrlID(child));
        if (lstrcmpiW(cls.c_str(), L"ComboBox") == 0) {
            const LRESULT selected = Ask(child, CB_GETCURSEL);
            lines.push_back(key + L"=" + (selected >= 0 ? ListText(child, static_cast<int>(selected), true) : L""));
            std::wstring items;
            const LRESULT count = Ask(child, CB_GETCOUNT);
            for (LRESULT i = 0; i < count; ++i)
                items += (i ? L"|" : L"") + ListText(child, static_cast<int>(i), true);
            lines.push_back(key + L".items=" + items);
        } else if (lstrcmpiW(cls.c_str(), L"ListBox") == 0) {
            std::wstring items;
            const LRESULT count = Ask(child, LB_GETCOUNT);
            for (LRESULT i = 0; i < count; ++i)
                items += (i ? L"|" : L"") + ListText(child, static_cast<int>(i), false);
            lines.push_back(key + L".items=" + items);
            lines.push_back(key + L".selected=" + NumberText(Ask(child, LB_GETCURSEL)));
        } else {
            wchar_t text[1024] = L"";
            // Edit controls keep their text in their own process: ask for it.
            Ask(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
            lines.push_back(key + L"=" + Escape(text));
        }
        if (!IsWindowEnabled(child))
            lines.push_back(key + L".enabled=0");
    }
    return lines;
}

Lines ReadWindows()
{
    Lines lines;
    for (HWND window : TopLevelWindows())
        if (IsWindowVisible(window))
            lines.push_back(L"window=" + Describe(window));
    lines.push_back(L"foreground=" + Describe(GetForegroundWindow()));
    return lines;
}

Lines ReadClipboard()
{
    Lines lines;
    std::wstring text;
    bool found = false;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt)
        Sleep(25);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t *chars = static_cast<const wchar_t *>(GlobalLock(data))) {
            const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
            text.assign(chars, wcsnlen(chars, capacity));
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    lines.push_back(found ? L"clip=" + Escape(text) : L"clip=none");
    return lines;
}

bool WriteClipboard(const std::wstring &escaped)
{
    const std::wstring text = Unescape(escaped);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!block)
        return false;
    wchar_t *chars = static_cast<wchar_t *>(GlobalLock(block));
    memcpy(chars, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!placed)
        GlobalFree(block);
    return placed;
}

bool FindControlRect(const std::wstring &className, const std::wstring &text, RECT *area)
{
    for (HWND top : TopLevelWindows()) {
        if (!IsWindowVisible(top))
            continue;
        std::vector<HWND> candidates = DescendantsOf(top);
        candidates.insert(candidates.begin(), top);
        for (HWND window : candidates) {
            if (!IsWindowVisible(window) || lstrcmpiW(ClassOf(window).c_str(), className.c_str()) != 0 ||
                (text != L"*" && TextOf(window) != text))
                continue;
            GetWindowRect(window, area);
            return true;
        }
    }
    return false;
}

bool FindControlCentre(const std::wstring &className, const std::wstring &text, POINT *centre)
{
    RECT area;
    if (!FindControlRect(className, text, &area))
        return false;
    centre->x = (area.left + area.right) / 2;
    centre->y = (area.top + area.bottom) / 2;
    return true;
}
