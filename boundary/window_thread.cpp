#include "boundary/window_thread.h"

#include <atomic>

namespace {
// The setup window's handle while the window thread runs. The windows do not exist yet, so the
// thread is never started and this stays null.
std::atomic<HWND> g_setupWindow{nullptr};
}  // namespace

HWND SetupWindowHandle() { return g_setupWindow.load(); }

void StartSetupThread() {
    if (g_setupWindow.load()) StopSetupThread();
}

void StopSetupThread() {
    if (!g_setupWindow.load()) return;
}
