#pragma once

#include <windows.h>

// Whether the thread of the window has taken, in its own message loop, every message posted to it
// before this call, within the time. A host call's wait takes only paint and sent messages, so
// this also tells that the thread came back from what those messages started.
bool MessageLoopCaughtUp(HWND window, int timeoutMs);
