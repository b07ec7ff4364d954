#pragma once

#include <windows.h>

#include <string>

// The thread that runs the operator windows. The host's thread starts it at a statistics reset,
// posts refresh requests to its setup window, and stops it before a restart and when the library
// unloads; it never waits for it for ever, and never while the window thread could need the lock
// that the host's thread holds.
struct WindowThreadStart {
    std::string contestYear;
    bool russianUi = false;
};
void StartSetupThread(const WindowThreadStart& start);

enum class StopReason { restart, unload };
void StopSetupThread(StopReason reason);

// Whether the window thread runs (starting, showing its windows or closing them).
bool SetupThreadRunning();
// The setup window while it exists, else null.
HWND SetupWindowHandle();
