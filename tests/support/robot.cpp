#include "support/robot.h"
#include <algorithm>
#include <utility>

namespace {

Robot *activeRobot = nullptr;

// The message box of the system is a dialog whose text is static 0xFFFF beside an icon static
// (0x440 under Wine) and the standard buttons IDOK..IDCONTINUE and IDHELP.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x440;

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(std::max(length, 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], (int)text.size());
    text.resize(std::max(copied, 0));
    return text;
}

bool IsDialogWindow(HWND window)
{
    WCHAR name[16] = L"";
    return GetClassNameW(window, name, ARRAYSIZE(name)) && lstrcmpW(name, L"#32770") == 0;
}

UINT IconFlag(HICON icon)
{
    if (!icon) return 0;
    const std::pair<LPCWSTR, UINT> icons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto &entry : icons)
        if (LoadIconW(nullptr, entry.first) == icon) return entry.second;
    return 0;
}

UINT ButtonFlags(const std::vector<int> &ids)
{
    std::vector<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    const std::pair<std::vector<int>, UINT> sets[] = {
        {{IDOK}, MB_OK},
        {{IDOK, IDCANCEL}, MB_OKCANCEL},
        {{IDABORT, IDRETRY, IDIGNORE}, MB_ABORTRETRYIGNORE},
        {{IDCANCEL, IDYES, IDNO}, MB_YESNOCANCEL},
        {{IDYES, IDNO}, MB_YESNO},
        {{IDCANCEL, IDRETRY}, MB_RETRYCANCEL},
        {{IDCANCEL, IDTRYAGAIN, IDCONTINUE}, MB_CANCELTRYCONTINUE},
    };
    for (const auto &entry : sets)
        if (entry.first == sorted) return entry.second;
    return 0xF;  // not a standard set
}

}  // namespace

bool ReadMessageBox(HWND window, SeenWindow *seen)
{
    if (!IsDialogWindow(window) || !GetDlgItem(window, kMessageBoxTextId)) return false;
    struct Button {
        int x;
        int id;
    };
    std::vector<Button> buttons;
    HICON icon = nullptr;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id == kMessageBoxTextId) continue;
        if (id == kMessageBoxIconId) {
            if (IsWindowVisible(child)) icon = (HICON)SendMessageW(child, STM_GETICON, 0, 0);
            continue;
        }
        if ((id < IDOK || id > IDCONTINUE) && id != IDHELP) return false;  // an application dialog
        if (!IsWindowVisible(child) || id == IDHELP) continue;
        RECT rect;
        GetWindowRect(child, &rect);
        buttons.push_back({rect.left, id});
    }
    std::sort(buttons.begin(), buttons.end(), [](const Button &a, const Button &b) { return a.x < b.x; });
    std::vector<int> ids;
    for (const Button &button : buttons) ids.push_back(button.id);

    UINT flags = ButtonFlags(ids) | IconFlag(icon);
    // The default button carries the default push-button style.
    for (UINT position = 0; position < ids.size() && position < 4; ++position) {
        const LONG_PTR style = GetWindowLongPtrW(GetDlgItem(window, ids[position]), GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) flags |= position * MB_DEFBUTTON2;
    }
    seen->kind = SeenWindow::MessageBox;
    seen->caption = WindowText(window);
    seen->text = WindowText(GetDlgItem(window, kMessageBoxTextId));
    seen->flags = flags;
    return true;
}

Robot::Robot()
{
    activeRobot = this;
    hook_ = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, 15, TimerProc);
}

Robot::~Robot()
{
    if (timer_) KillTimer(nullptr, timer_);
    if (hook_) UnhookWindowsHookEx(hook_);
    if (activeRobot == this) activeRobot = nullptr;
}

void Robot::AnswerMessageBox(int button)
{
    boxAnswers_.push_back(button);
}

void Robot::OnDialog(std::function<void(HWND dialog)> action)
{
    dialogActions_.push_back(std::move(action));
}

size_t Robot::Unexpected() const
{
    return (size_t)std::count_if(seen_.begin(), seen_.end(), [](const SeenWindow &s) { return !s.expected; });
}

void Robot::Pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool Robot::PumpUntil(const std::function<bool()> &done, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

LRESULT CALLBACK Robot::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && activeRobot) {
        HWND window = (HWND)wParam;
        const CBT_CREATEWNDW *create = reinterpret_cast<const CBT_CREATEWNDW *>(lParam);
        if (!(create->lpcs->style & WS_CHILD) && IsDialogWindow(window))
            activeRobot->tracked_.push_back({window, 0, false, 0});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK Robot::TimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeRobot) activeRobot->Tick();
}

void Robot::Tick()
{
    tracked_.erase(std::remove_if(tracked_.begin(), tracked_.end(), [](const Tracked &t) { return !IsWindow(t.window); }),
                   tracked_.end());
    // The newest window that takes input is the one whose modal loop is running now.
    for (size_t i = tracked_.size(); i-- > 0;) {
        Tracked &tracked = tracked_[i];
        if (!IsWindowVisible(tracked.window) || !IsWindowEnabled(tracked.window)) continue;
        const DWORD now = GetTickCount();
        if (!tracked.readySince) tracked.readySince = now;
        SeenWindow box;
        const bool isBox = ReadMessageBox(tracked.window, &box);
        const bool answerQueued = isBox ? !boxAnswers_.empty() : !dialogActions_.empty();
        if (answerQueued && !(isBox && tracked.acted))
            Act(tracked);
        else if (now - tracked.readySince >= fallback_)
            Fallback(tracked);
        return;
    }
}

void Robot::Act(Tracked &tracked)
{
    HWND window = tracked.window;
    tracked.acted = true;
    tracked.readySince = GetTickCount();
    SeenWindow seen;
    if (ReadMessageBox(window, &seen)) {
        seen.answer = boxAnswers_.front();
        boxAnswers_.pop_front();
        seen_.push_back(seen);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(seen.answer, BN_CLICKED), (LPARAM)GetDlgItem(window, seen.answer));
        return;
    }
    seen.kind = SeenWindow::Dialog;
    seen.caption = WindowText(window);
    seen_.push_back(seen);
    std::function<void(HWND)> action = std::move(dialogActions_.front());
    dialogActions_.pop_front();
    // The action may open nested boxes: `tracked` may move meanwhile, so only the handle is used.
    action(window);
    for (Tracked &t : tracked_)
        if (t.window == window) t.readySince = GetTickCount();
}

void Robot::Fallback(Tracked &tracked)
{
    SeenWindow seen;
    if (!ReadMessageBox(tracked.window, &seen)) {
        seen.kind = SeenWindow::Dialog;
        seen.caption = WindowText(tracked.window);
    }
    seen.expected = false;
    seen.answer = IDCANCEL;
    if (tracked.fallbacks == 0) seen_.push_back(seen);
    tracked.readySince = GetTickCount();
    // Cancel as a user would; a dialog that ignores that is ended, and at last destroyed.
    switch (tracked.fallbacks++) {
    case 0:
        PostMessageW(tracked.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        break;
    case 1:
        EndDialog(tracked.window, IDCANCEL);
        break;
    default:
        DestroyWindow(tracked.window);
        break;
    }
}
