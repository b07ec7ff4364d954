#pragma once

#include <windows.h>

// The thread that runs the operator windows. Only the window thread sets and clears the setup
// window; the host's thread starts the thread, posts to it and closes it.
void StartSetupThread();
void StopSetupThread();
HWND SetupWindowHandle();
