#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/fake_host.h"

// What a window shows on the screen, read back as pixels, for tests of the operator windows.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> colors;  // row by row
    COLORREF at(int x, int y) const { return colors[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Pixels&) const = default;
};

// The client-area pixels of a visible window inside the rectangle (client coordinates).
Pixels CaptureWindow(HWND window, const RECT& area);
// The same rectangle as a canvas would draw it: a background and one narrow text at (x, y) in the
// stock system font (the default font of a new memory DC), transparent background mode.
Pixels RenderText(const RECT& area, COLORREF background, int x, int y, const std::string& text);

// A top-level window of this process whose wide title starts with the prefix; nullptr when none
// shows up in time.
HWND WaitForWindowTitled(const std::wstring& prefix, int timeoutMs);
std::wstring TitleOf(HWND window);
// Waits until the window's title equals the text; the last title seen otherwise.
std::wstring WaitForTitle(HWND window, const std::wstring& title, int timeoutMs);
// Keeps the calling thread's messages moving while waiting for a condition (a gui fake host made on
// this thread answers meanwhile, unless it is blocked).
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= static_cast<DWORD>(timeoutMs)) {
        if (condition()) return true;
        PumpHostMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return condition();
}
