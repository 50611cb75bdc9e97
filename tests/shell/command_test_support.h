// What the object-command and clipboard tests share: a main window over a few objects, the
// robot, and the clipboard as another program would use it.
#pragma once
#include "app_support/dialog_driver.h"
#include "app_support/main_window_session.h"
#include "support/robot.h"
#include <string>

extern const std::vector<SessionObject> threeObjects;  // Anton, Bert, Cäsar
extern const std::vector<const wchar_t *> twoCategories;  // Software, Geräte

// Puts text on the clipboard in format 13; with terminate false the block holds no terminator.
void PutClipboardText(const std::wstring &text, bool terminate = true);
std::wstring ClipboardText();
// The whole CF_UNICODETEXT block, terminator and what follows it included.
std::wstring ClipboardBlock();
// Runs a main-window command as the menu, a button or a shortcut delivers it.
void Command(int id);
// Posts the About command to the main window and pumps until the robot has closed the About box:
// everything posted before has then been handled, so a check that nothing else came holds on a
// slow machine. The box is the robot's last seen window.
void AwaitAboutSentinel(Robot &robot);
// Holds the clipboard open from another thread, so this thread cannot open it.
class ClipboardBlocker {
public:
    ClipboardBlocker();
    ~ClipboardBlocker();

private:
    HANDLE thread = nullptr;
    HANDLE opened = nullptr;
    HANDLE release = nullptr;
};
