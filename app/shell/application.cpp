#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/store_messages.h"
#include "store/category_database.h"
#include "store/object_database.h"
#include "common/screen_density.h"

HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;
HFONT titleFont = nullptr;
HFONT textFont = nullptr;
HLOCAL lastClipboardBlock = nullptr;

namespace {

const WCHAR kMainWindowClass[] = L"Zifferbox";
const WCHAR kMainWindowTitle[] = L"Zifferbox";
const WCHAR kOpenErrorText[] = L"Fehler beim Öffnen der Datenbank.\nDas Programm muß beendet werden.";

HFONT CreateTahoma(LONG height, LONG weight)
{
    LOGFONTW description = {};
    description.lfHeight = height;
    description.lfWeight = weight;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
    lstrcpynW(description.lfFaceName, L"Tahoma", LF_FACESIZE);
    return CreateFontIndirectW(&description);
}

void DeleteFonts()
{
    DeleteObject(titleFont);
    DeleteObject(textFont);
    titleFont = textFont = nullptr;
}

void ShowOpenError()
{
    MessageBoxW(nullptr, kOpenErrorText, L"Zifferbox", MB_ICONSTOP | MB_OKCANCEL);
}

int RunMessageLoop()
{
    MSG message;
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) == 1) {
        // Dispatch also follows a key that became an accelerator command. Its character is not
        // made: after the command's dialog Ctrl is up again, so Ctrl+N would reach the list as
        // "n" and select the first name beginning with n instead of the new object.
        if (!TranslateAcceleratorW(mainWindow, mainAccelerators, &message))
            TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return result == 0 ? static_cast<int>(message.wParam) : 0;
}

}  // namespace

bool QueryWorkArea(UINT updateFlags, RECT *area)
{
    return SystemParametersInfoW(SPI_GETWORKAREA, updateFlags, area, 0) != FALSE;
}

ATOM RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassW(&windowClass);
}

bool InitialiseApplication(HINSTANCE instance, int showState)
{
    // The heights are pixels at 96 DPI: a denser screen gets taller letters.
    titleFont = CreateTahoma(ScaleToScreen(14), FW_BOLD);
    textFont = CreateTahoma(ScaleToScreen(13), FW_NORMAL);

    if (objectDatabase.openOrCreate(L"Zifferbox") || categoryDatabase.openOrCreate(L"Zifferbox-Kategorien")) {
        ShowOpenError();
        DeleteFonts();
        return false;
    }
    appInstance = instance;

    RECT area;
    // Without a work area the window covers the screen: a pop-up window takes no default size.
    int x = 0, y = 0, width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (QueryWorkArea(0, &area)) {
        // The device takes the right and bottom edges as width and height.
        x = area.left;
        y = area.top;
        width = area.right;
        height = area.bottom;
    }
    // WS_POPUP keeps the desktop from adding a caption: the window has none, as on the device.
    HWND window = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                  nullptr, appInstance, nullptr);
    if (!window) {
        DeleteFonts();
        return false;
    }
    mainWindow = window;
    ShowWindow(mainWindow, showState);
    UpdateWindow(mainWindow);
    ShowStoreConditionAtStart();
    return true;
}

int ApplicationMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showState)
{
    HWND running = FindWindowW(kMainWindowClass, kMainWindowTitle);
    if (running) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!previous && !RegisterMainWindowClass(instance))
        return 0;
    if (!InitialiseApplication(instance, showState))
        return 0;
    const int exitCode = RunMessageLoop();
    DeleteFonts();
    return exitCode;
}
