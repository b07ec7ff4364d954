#pragma once

#include <windows.h>

#include <string>

// The thread that runs the operator windows. The host's thread starts it at a statistics reset,
// posts refresh requests to its setup window, and stops it when the library unloads. The host's
// thread never waits for it while it could need the host's thread or the loader.
struct WindowThreadStart {
    std::string contestYear;
    bool russianUi = false;
};
// Starts the thread unless one still runs (a thread whose setup window was closed may still be
// ending: the next reset starts the new one). The host's object is offered to it first
// (OfferHostObject). Returns once the setup window exists, or after a
// short while if the thread is slow to make it; the windows open on their own.
void StartSetupThread(const WindowThreadStart& start);

// The unload's stop, on the host's thread inside the loader: see window_thread.cpp. True when the
// thread lives on in the library with a reference of its own: the library's statics and runtime
// must then stay as they are until it has left.
bool StopSetupThread();

// Whether the window thread runs (starting, showing its windows or closing them), or is to start
// as soon as the thread of an earlier unload has left (see StartPendingSetupThread).
bool SetupThreadRunning();
// Starts the window thread that a reset asked for while the thread an earlier unload left behind
// still ran in the library (a load took the image again meanwhile), once that thread has left.
// Called at every export; costs a flag test otherwise.
void StartPendingSetupThread();
// The setup window while it exists, else null.
HWND SetupWindowHandle();
