#include "setup.h"
#include "setup_texts.h"
#include "common/screen_density.h"
#include "common/unique_handles.h"
#include <cstring>

constexpr DWORD PATH_SIZE = MAX_PATH;  // bytes, terminator included
constexpr char MANAGER_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAppMgr.exe";
constexpr char DESCRIPTION_NAME[] = "Zifferbox.ini";
constexpr char CLASS_NAME[] = "SetupClass";
// The status window's size in pixels at 96 DPI; it grows with the screen, as its text does.
constexpr int kStatusWindowWidth = 350;
constexpr int kStatusWindowHeight = 150;

// Program state, alive for the whole run.
static char managerPath[PATH_SIZE];
static char descriptionPath[PATH_SIZE];
static char argument[PATH_SIZE + 2];  // the description path and its two quotes
static HWND setupWindow;

static void RegisterSetupClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = SetupWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "IDC_SETUP");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = CLASS_NAME;
    RegisterClassA(&windowClass);
}

// The status window stays hidden until the manager is about to start.
static HWND CreateStatusWindow(HINSTANCE instance)
{
    return CreateWindowExA(0, CLASS_NAME, SETUP_CAPTION, WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, 0,
                           ScaleToScreen(kStatusWindowWidth), ScaleToScreen(kStatusWindowHeight), nullptr, nullptr,
                           instance, nullptr);
}

// The value's bytes are the path whatever its type, but only with a terminator inside the
// 260 bytes: a value that fills them all would otherwise be read past the buffer's end.
static bool ReadManagerPath()
{
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MANAGER_KEY, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return false;
    DWORD size = PATH_SIZE;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE *>(managerPath),
                         &size) != ERROR_SUCCESS)
        return false;
    if (size < PATH_SIZE) {
        managerPath[size] = '\0';
        return true;
    }
    return std::memchr(managerPath, '\0', PATH_SIZE) != nullptr;
}

// Current directory, a backslash unless it already ends in one (a drive root), "Zifferbox.ini".
static bool BuildDescriptionPath()
{
    const DWORD length = GetCurrentDirectoryA(PATH_SIZE, descriptionPath);
    if (length == 0 || length >= PATH_SIZE)
        return false;
    const bool needsBackslash = descriptionPath[length - 1] != '\\';
    if (length + (needsBackslash ? 1 : 0) + sizeof DESCRIPTION_NAME > PATH_SIZE)
        return false;
    if (needsBackslash)
        std::strcat(descriptionPath, "\\");
    std::strcat(descriptionPath, DESCRIPTION_NAME);
    return true;
}

// Opened only to prove it is there and readable; other programs may hold it open.
static bool DescriptionFileReadable()
{
    UniqueHandle file(CreateFileA(descriptionPath, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

static void BuildArgument()
{
    std::strcpy(argument, "\"");
    std::strcat(argument, descriptionPath);
    std::strcat(argument, "\"");
}

// The command line is the manager path unquoted, a blank and the argument; CreateProcessA
// may write into it, so it is a buffer of its own with room for the longest of both.
static bool StartManager()
{
    const DWORD attributes = GetFileAttributesA(managerPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    char commandLine[PATH_SIZE + 1 + sizeof argument];
    std::strcpy(commandLine, managerPath);
    std::strcat(commandLine, " ");
    std::strcat(commandLine, argument);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(managerPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    return true;
}

// Destroying the window posts the quit message, which ends the loop; the exit code is 0.
static int EndSetup()
{
    if (setupWindow && DestroyWindow(setupWindow)) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

int SetupMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showState)
{
    if (!previousInstance)
        RegisterSetupClass(instance);
    setupWindow = CreateStatusWindow(instance);

    if (MessageBoxA(setupWindow, QUESTION_TEXT, SETUP_CAPTION, MB_OKCANCEL) != IDOK)
        return EndSetup();
    if (!ReadManagerPath()) {
        ShowServicesError();
        return EndSetup();
    }
    if (!BuildDescriptionPath() || !DescriptionFileReadable()) {
        ShowMissingFilesError();
        return EndSetup();
    }

    ShowWindow(setupWindow, showState);
    BuildArgument();
    if (StartManager())
        ExitProcess(0);  // the manager does the installing; nothing here waits for it

    // The manager is registered but will not start: the nearest message is the services error.
    ShowWindow(setupWindow, SW_HIDE);
    ShowServicesError();
    return EndSetup();
}
