#include "windows/off_screen.h"

namespace {

BOOL CALLBACK TakeOffScreen(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    // The system owns the region once it is set, and deletes it with the window.
    if (HRGN nothing = CreateRectRgn(0, 0, 0, 0); nothing && !SetWindowRgn(window, nothing, TRUE))
        DeleteObject(nothing);
    SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE));
    return TRUE;
}

}  // namespace

UINT OffScreenMessage() {
    static const UINT message = RegisterWindowMessageW(L"ZELK Stats: windows off the screen");
    return message;
}

void TakeThreadWindowsOffScreen() { EnumThreadWindows(GetCurrentThreadId(), &TakeOffScreen, 0); }
