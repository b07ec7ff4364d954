#include <memory>

#include "windows/operator_state.h"
#include "windows/prev_window.h"
#include "windows/setup_window.h"
#include "windows/window_thread_state.h"
#include "windows/zelk_window.h"

std::atomic<ThreadLife> g_threadLife{ThreadLife::starting};
std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_refreshMissed{false};
std::atomic<HWND> g_setupWindow{nullptr};

namespace {

bool IsListWindowMessage(MSG& message) {
    for (HWND window :
         {g_prevWindow ? g_prevWindow->window() : nullptr, g_zelkWindow ? g_zelkWindow->window() : nullptr})
        if (window && IsDialogMessageW(window, &message)) return true;
    return false;
}

// The end of the first window's making: from now on the thread needs the loader no more, and an
// unload may wait for it while it is idle. False when an unload has already given up on it.
bool StartedUp() {
    ThreadLife expected = ThreadLife::starting;
    return g_threadLife.compare_exchange_strong(expected, ThreadLife::idle);
}

}  // namespace

void RunOperatorWindows(const CaptionTexts& texts) {
    auto setup = std::make_unique<Setup>();
    const bool opened = !g_stopRequested.load() && setup->open(texts);
    // Shown only once the thread is past its start: an unload that gave up on a starting thread
    // returns with nothing of it on the screen, and nothing appears later.
    if (StartedUp() && opened) {
        setup->show();
        g_setupWindow.store(setup->window());
        MSG message;
        while (!setup->closeRequested() && !g_stopRequested.load() && setup->window()) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0 || got == -1) break;
            if (IsDialogMessageW(setup->window(), &message) || IsListWindowMessage(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    g_setupWindow.store(nullptr);
    setup->destroyAll();
}
