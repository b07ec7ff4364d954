#include <objbase.h>

#include <memory>

#include "windows/host_call_filter.h"
#include "windows/operator_state.h"
#include "windows/prev_window.h"
#include "windows/setup_window.h"
#include "windows/window_thread_state.h"
#include "windows/zelk_window.h"

std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_refreshMissed{false};
std::atomic<bool> g_windowThreadReady{false};
std::atomic<HWND> g_setupWindow{nullptr};

namespace {

bool IsListWindowMessage(MSG& message) {
    for (HWND window :
         {g_prevWindow ? g_prevWindow->window() : nullptr, g_zelkWindow ? g_zelkWindow->window() : nullptr})
        if (window && IsDialogMessageW(window, &message)) return true;
    return false;
}

// COM for the host object, initialised and uninitialised on this thread.
class ComApartment {
public:
    ComApartment() : m_initialised(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (m_initialised) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_initialised;
};

}  // namespace

void RunOperatorWindows(const CaptionTexts& texts) {
    ComApartment com;
    HostCallFilterRegistration filter;
    {
        auto setup = std::make_unique<Setup>();
        const bool opened = !g_stopRequested.load() && setup->open(texts);
        g_windowThreadReady.store(true);
        if (opened) {
            g_setupWindow.store(setup->window());
            MSG message;
            while (!setup->closeRequested() && !g_stopRequested.load() && setup->window()) {
                const BOOL got = GetMessageW(&message, nullptr, 0, 0);
                if (got == 0 || got == -1) break;
                if (IsDialogMessageW(setup->window(), &message) || IsListWindowMessage(message)) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            g_setupWindow.store(nullptr);
            setup->destroyAll();
        }
    }
    g_windowThreadReady.store(true);
    // Also at an unload: the thread holds the library until the host has answered.
    g_host.release();
}
