#pragma once

#include <atomic>

#include "windows/contest_snapshot.h"

// What the host's thread and the window thread share about the thread itself.
// Set by the host's thread when the windows must close; every wait of the window thread looks at
// it, so a stop never waits for a mode wait or a refresh to run out.
extern std::atomic<bool> g_stopRequested;
// A call check found a refresh in flight and asked for none; the refresh runs once more at its end.
// Cleared as a refresh reads the entry field, which shows every key checked before.
extern std::atomic<bool> g_refreshMissed;
// The setup window's handle while it exists, for the refresh requests of the exports.
extern std::atomic<HWND> g_setupWindow;

// Set by the window thread once its setup window is open (or could not be made), so the starter
// knows the thread is past loading what its windows and the host object need.
extern std::atomic<bool> g_windowThreadReady;

// Runs the operator windows on the calling thread until they close: the setup window, which opens
// the two list windows as its check boxes say, and a message loop that gives the modeless windows
// their keyboard messages. COM is initialised for the host object and uninitialised again here.
void RunOperatorWindows(const CaptionTexts& texts);
