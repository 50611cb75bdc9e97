#include "setup.h"
#include "setup_texts.h"

// Paints the two status lines in the default font and colours.
static LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    TextOutA(dc, 20, 30, STATUS_LINE_1, STATUS_LINE_1_LENGTH);
    TextOutA(dc, 20, 50, STATUS_LINE_2, STATUS_LINE_2_LENGTH);
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
