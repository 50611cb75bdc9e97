// The test robot: answers message boxes and drives modal dialogs of the thread it lives on.
//
// A CBT hook notes every dialog window (class "#32770") the thread creates; a thread timer, which
// every modal loop dispatches, acts on the newest one that is shown and enabled, inside its own
// modal loop. Answers are queued per kind and used in order. A box or dialog without a queued
// answer is recorded as unexpected and cancelled after a short wait, so no test can hang.
//
//   Robot robot;
//   robot.AnswerMessageBox(IDOK);
//   robot.OnDialog([](HWND dialog) { SetDlgItemTextW(dialog, 1017, L"x"); SendMessageW(dialog, WM_COMMAND, IDOK, 0); });
//   ... run the code that shows them ...
//   EXPECT_EQ(robot.Seen().size(), 2u);
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct SeenWindow {
    enum Kind { MessageBox, Dialog };
    Kind kind = Dialog;
    std::wstring caption;
    std::wstring text;    // message boxes: the message; dialogs: empty
    UINT flags = 0;       // message boxes: MB_* buttons, icon and default button as shown
    int answer = 0;       // the button the robot pressed (message boxes, fallbacks)
    bool expected = true; // false: nothing was queued for it and the robot cancelled it
};

class Robot {
public:
    Robot();
    ~Robot();
    Robot(const Robot &) = delete;
    Robot &operator=(const Robot &) = delete;

    // The next message box is answered with this button (IDOK, IDCANCEL, IDYES, ...).
    void AnswerMessageBox(int button);
    // The next dialog that is not a message box runs this inside its modal loop. The action
    // normally ends the dialog (WM_COMMAND IDOK/IDCANCEL); it may queue further answers.
    void OnDialog(std::function<void(HWND dialog)> action);
    // Milliseconds an unanswered box or dialog may stay before it is cancelled (default 1500).
    void SetFallback(DWORD milliseconds) { fallback_ = milliseconds; }

    const std::vector<SeenWindow> &Seen() const { return seen_; }
    size_t Unexpected() const;
    size_t PendingAnswers() const { return boxAnswers_.size() + dialogActions_.size(); }
    // Pumps messages for this long (timers included), for code that posts its work.
    static void Pump(DWORD milliseconds);
    // Pumps messages until `done` holds or the time is up; returns whether it held.
    static bool PumpUntil(const std::function<bool()> &done, DWORD milliseconds = 3000);

private:
    struct Tracked {
        HWND window;
        DWORD readySince;   // tick when first seen shown and enabled, 0 before
        bool acted;
        int fallbacks;      // cancellations tried
    };

    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Act(Tracked &tracked);
    void Fallback(Tracked &tracked);

    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    DWORD fallback_ = 1500;
    std::deque<int> boxAnswers_;
    std::deque<std::function<void(HWND)>> dialogActions_;
    std::vector<Tracked> tracked_;
    std::vector<SeenWindow> seen_;
};

// Reads what a message box shows: its text, caption and MB_* flags. False for other windows.
bool ReadMessageBox(HWND window, SeenWindow *seen);
