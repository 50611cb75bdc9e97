#include "command_test_support.h"
#include "resources/resource.h"
#include "shell/application.h"

const std::vector<SessionObject> threeObjects = {
    {L"Bert", L"B-2", L"zweiter", L"Geräte"},
    {L"Anton", L"A-1", L"erster", L"Software"},
    {L"Cäsar", L"C-3", L"", L""},
};
const std::vector<const wchar_t *> twoCategories = {L"Software", L"Geräte"};

void PutClipboardText(const std::wstring &text, bool terminate)
{
    const size_t characters = text.size() + (terminate ? 1 : 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, characters * sizeof(wchar_t));
    auto *data = static_cast<wchar_t *>(GlobalLock(block));
    wmemcpy(data, text.data(), text.size());
    if (terminate)
        data[text.size()] = L'\0';
    GlobalUnlock(block);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

std::wstring ClipboardBlock()
{
    std::wstring block;
    if (!OpenClipboard(nullptr))
        return L"<not open>";
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (const wchar_t *chars = data ? static_cast<const wchar_t *>(GlobalLock(data)) : nullptr) {
        block.assign(chars, GlobalSize(data) / sizeof(wchar_t));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return block;
}

std::wstring ClipboardText()
{
    const std::wstring block = ClipboardBlock();
    return block.substr(0, wcsnlen(block.c_str(), block.size()));
}

void Command(int id)
{
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void AwaitAboutSentinel(Robot &robot)
{
    bool closed = false;
    robot.OnDialog([&closed](HWND dialog) {
        closed = true;
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    Robot::PumpUntil([&closed] { return closed; });
}

namespace {
struct BlockerState {
    HANDLE opened, release;
};

DWORD WINAPI HoldClipboard(void *parameter)
{
    auto *state = static_cast<BlockerState *>(parameter);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const BOOL opened = OpenClipboard(owner);
    SetEvent(state->opened);
    WaitForSingleObject(state->release, 10000);
    if (opened)
        CloseClipboard();
    DestroyWindow(owner);
    delete state;
    return 0;
}
}  // namespace

ClipboardBlocker::ClipboardBlocker()
{
    opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, HoldClipboard, new BlockerState{opened, release}, 0, nullptr);
    WaitForSingleObject(opened, 5000);
}

ClipboardBlocker::~ClipboardBlocker()
{
    SetEvent(release);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(opened);
    CloseHandle(release);
}
