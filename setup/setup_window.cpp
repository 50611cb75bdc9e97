#include "setup.h"
#include "setup_texts.h"
#include "common/screen_density.h"

// Where the status lines begin, in pixels at 96 DPI: the default font grows with the screen,
// and so do the gaps, or the lines would overlap.
constexpr int kStatusLeft = 20;
constexpr int kStatusLine1Top = 30;
constexpr int kStatusLine2Top = 50;

// Paints the two status lines in the default font and colours.
static LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const int left = ScaleToScreen(kStatusLeft);
    TextOutA(dc, left, ScaleToScreen(kStatusLine1Top), STATUS_LINE_1, STATUS_LINE_1_LENGTH);
    TextOutA(dc, left, ScaleToScreen(kStatusLine2Top), STATUS_LINE_2, STATUS_LINE_2_LENGTH);
    EndPaint(window, &paint);
    return 0;
}

static LRESULT OnDestroy()
{
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:   return OnPaint(window);
    case WM_DESTROY: return OnDestroy();
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
