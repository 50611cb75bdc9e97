// Reads what the running Zifferbox and its dialogs show, from another process of the same
// Wine desktop. Every reading is a list of "key=value" lines, so scripts compare whole lines.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

using Lines = std::vector<std::wstring>;

// The main window (class and title "Zifferbox"), or null.
HWND FindMainWindow();
// Its object list, filter combo box, three visible rows and button bar; null when absent.
struct MainParts {
    HWND list = nullptr;
    HWND filter = nullptr;
    HWND rows[3] = {};
    HWND buttons = nullptr;
};
MainParts FindMainParts(HWND main);

// window=, count=, selected=, item.N= (the first `itemLimit`), name=, serial=, remark=,
// filter=, filter.items=, button.<command>=0|1, foreground=, focus=.
Lines ReadMainState(int itemLimit);
// The shown dialog or message box of any process: dialog=<caption>, then one line per child:
// <Class>.<id>=<text>, with .enabled=0 for disabled ones, combo boxes' selection and lists'
// entries; dialog=none when there is none.
Lines ReadDialog();
// One line per visible top-level window: window=<class>|<title>, plus foreground=<class>|<title>.
Lines ReadWindows();
// clip=<text> with CR, LF, TAB and backslash written as \r \n \t \\; clip=none without text.
Lines ReadClipboard();
// Puts text (escapes as above) on the clipboard as Unicode text; false on failure.
bool WriteClipboard(const std::wstring &escaped);
// The screen point at the centre of the first visible window of the class whose text is `text`,
// searched through every top-level window and its descendants (text "*": any); false when none.
bool FindControlCentre(const std::wstring &className, const std::wstring &text, POINT *centre);
// The screen rectangle of that window; false when none.
bool FindControlRect(const std::wstring &className, const std::wstring &text, RECT *area);

std::wstring Escape(const std::wstring &text);
std::wstring Unescape(const std::wstring &text);
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
