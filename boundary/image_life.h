#pragma once

// The library's image between an unload that left the window thread behind and that thread's end.
//
// Such an unload leaves the image mapped for the thread (it holds a reference of its own) with the
// library's statics and the C runtime as they are, since the thread still runs over them. Then:
// - a load meanwhile gets this same image back, attached again: its statics were never torn down,
//   so it works as a fresh copy would (the contest state was emptied at the unload);
// - the thread, once it has let go of the windows and the host, gives its reference back with
//   LeaveImageLeftBehind; when no load took the image meanwhile, it first runs the C runtime's
//   detach that the unload skipped, so nothing of the runtime (its per-thread records, its locks
//   and events, the heap blocks of the statics) stays behind in the process.

// Called by the window thread that an unload left behind, past its last use of the library's
// state. Never returns.
[[noreturn]] void LeaveImageLeftBehind();
