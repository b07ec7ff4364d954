#pragma once

#include <windows.h>

#include <string>

// Waits until a dialog (class "#32770") of this process is visible, optionally with the given
// title (without one, the plug-in's operator windows do not count); nullptr when none appears in
// time.
HWND WaitForDialog(const char* title, int timeoutMs);

std::string WindowText(HWND window);
// The text of the dialog's first static control (a message box's message).
std::string DialogStaticText(HWND dialog);
std::string ControlText(HWND dialog, int id);
