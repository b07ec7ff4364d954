#pragma once

#include <windows.h>

#include <string>
#include <thread>

// Waits until a dialog (class "#32770") of this process is visible, optionally with the given
// title (without one, the plug-in's operator windows do not count); nullptr when none appears in
// time.
HWND WaitForDialog(const char* title, int timeoutMs);

std::string WindowText(HWND window);
// The text of the dialog's first static control (a message box's message).
std::string DialogStaticText(HWND dialog);
std::string ControlText(HWND dialog, int id);

// Runs `drive` on a helper thread against the dialog titled `title` while `block` (which shows
// that dialog modally) runs on this one. False when the dialog never appeared.
template <typename Block, typename Drive>
bool WithDialog(const char* title, Block block, Drive drive, int timeoutMs = 10000) {
    bool found = false;
    std::thread helper([&] {
        HWND dialog = WaitForDialog(title, timeoutMs);
        if (!dialog) return;
        found = true;
        drive(dialog);
    });
    block();
    helper.join();
    return found;
}
