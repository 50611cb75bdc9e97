#include "setup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showState)
{
    return SetupMain(instance, previousInstance, commandLine, showState);
}
