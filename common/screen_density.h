// Our own pixel sizes are drawn for a screen of 96 DPI; on a denser screen they grow with it.
// Header only, like unique_handles.h: the application, setup and the tools use it.
#pragma once
#include <windows.h>
#include "common/unique_handles.h"

constexpr int kDesignDpi = 96;

// The screen's pixels per logical inch, read once: the programs are system-DPI aware (their
// manifest), so the density they started with holds for their whole run.
inline int ScreenDpi()
{
    static const int dpi = [] {
        ClientDC screen;
        const int value = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return value > 0 ? value : kDesignDpi;
    }();
    return dpi;
}

// A length of `pixels` at 96 DPI, in pixels of this screen.
inline int ScaleToScreen(int pixels)
{
    return MulDiv(pixels, ScreenDpi(), kDesignDpi);
}
