// Program entry of zifferbox.exe: the platform start hands over to ApplicationMain.
#include "shell/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showState)
{
    return ApplicationMain(instance, previous, commandLine, showState);
}
