#pragma once

#include <windows.h>

#include <atomic>

#include "windows/contest_snapshot.h"

// What the host's thread and the window thread share about the thread itself.

// Where the window thread stands, as the library's unload must know it. The unload runs on the
// host's thread inside the loader (the loader lock held), so it may wait for the window thread
// only while that thread needs neither the loader nor the host's thread:
//   starting    creating its first window: the system may load libraries for it (the loader lock)
//   idle        taking its messages, painting: nothing of the loader or the host
//   conversing  holding the host's object (COM for it included): its calls, and the release of
//               the object, are answered only by the host's thread, when it takes its messages
//   closing     told to end by an unload that waits for it; it begins no conversation any more
//   abandoned   told to end by an unload that could not wait: the thread holds a reference to the
//               library of its own and leaves it with FreeLibraryAndExitThread
//   finished    past the last line of the library's code it runs, but for its exit call
enum class ThreadLife { starting, idle, conversing, closing, abandoned, finished };
extern std::atomic<ThreadLife> g_threadLife;

// Set by the host's thread when the windows must close; every wait of the window thread looks at
// it, so a stop never waits for a mode wait or a refresh to run out.
extern std::atomic<bool> g_stopRequested;
// A call check found a refresh in flight and asked for none; the refresh runs once more at its end.
// Cleared as a refresh reads the entry field, which shows every key checked before.
extern std::atomic<bool> g_refreshMissed;
// The setup window's handle while it exists, for the refresh requests of the exports.
extern std::atomic<HWND> g_setupWindow;

// Runs the operator windows on the calling thread until they close: the setup window, which opens
// the two list windows as its check boxes say, and a message loop that gives the modeless windows
// their keyboard messages. Moves g_threadLife from starting to idle once the setup window exists.
void RunOperatorWindows(const CaptionTexts& texts);
