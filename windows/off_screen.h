#pragma once

#include <windows.h>

// Taking the operator windows off the screen at once, without waiting for anyone.
//
// A plain hide (ShowWindow SW_HIDE, SetWindowPos SWP_HIDEWINDOW, DestroyWindow of a shown window)
// is carried out by the window's own thread, one window after the other, and where the display
// waits for a window manager to withdraw each window (Wine's "managed" windows: its X11 driver waits
// up to 2 s a window for the manager's WM_STATE before it unmaps the next) the third window goes
// only after 4 to 6 s. Measured on a bare X server: a hide of three captioned windows flipped
// IsWindowVisible at 0, 2,000 and 4,000 ms and cleared the screen at 2,000, 4,000 and 6,000 ms;
// DestroyWindow and DeferWindowPos the same.
//
// Off the screen here means two steps that wait for no manager, on every window:
// - an empty window region (SetWindowRgn with a redraw): the window draws nothing and takes no
//   mouse input, and the system repaints what lay beneath (on Windows as on Wine, where the X
//   window is shaped to nothing);
// - then WS_VISIBLE cleared in the style: IsWindowVisible is false and the window is no longer
//   counted among the shown ones. Clearing the bit alone would leave the window's pixels on the
//   screen (the system does not redraw for a style change), which the empty region has already
//   taken away.
// Measured on the same bare X server: all three off the screen and not visible within 4 ms, and
// their DestroyWindow, which hides only a visible window, immediate too.
// The windows stay without a region: nothing of them reappears, whatever runs on the thread later.

// The registered message that asks a window of the window thread to take every window of its
// thread off the screen. Sent with SendNotifyMessage: the thread handles it wherever it takes sent
// messages (its message loop, COM's wait for a host call, a modal loop), and the sender never waits.
UINT OffScreenMessage();

// Every shown top-level window of the calling thread, off the screen as above.
void TakeThreadWindowsOffScreen();
