#include <windows.h>

#include "boundary/win32_platform.h"

#include <memory>

#include "boundary/plugin_globals.h"
#include "boundary/window_thread.h"
#include "windows/cabrillo_dialog.h"
#include "windows/plugin_settings.h"
#include "windows/window_thread_state.h"

namespace {

struct FindCloser {
    using pointer = HANDLE;
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

}  // namespace

std::string Win32Platform::readSetting(std::string_view key, std::string_view fallback) {
    return ReadPluginSetting(key, fallback);
}

void Win32Platform::writeSetting(std::string_view key, std::string_view value) { WritePluginSetting(key, value); }

void Win32Platform::showMessage(std::string_view text, std::string_view caption, MessageKind kind) {
    const std::string textCopy(text), captionCopy(caption);
    UINT style = MB_OK | (kind == MessageKind::information ? MB_ICONINFORMATION : 0);
    MessageBoxA(GetActiveWindow(), textCopy.c_str(), caption.empty() ? nullptr : captionCopy.c_str(), style);
}

std::vector<std::string> Win32Platform::listFiles(std::string_view pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(std::string(pattern).c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        return names;
    }
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search.get(), &found));
    return names;
}

bool Win32Platform::setupWindowOpen() { return SetupThreadRunning(); }

// Called by the statistics reset, which holds the state lock: the new windows get the contest
// year and language now, since they cannot take the lock while the reset runs.
void Win32Platform::startSetupThread() {
    WindowThreadStart start;
    {
        auto state = g_pluginState.lock();
        start = WindowThreadStart{state->contestYear, state->russianUi != 0};
    }
    StartSetupThread(start);
}

void Win32Platform::postRefresh() { m_refreshAsked.store(true); }

void Win32Platform::postAskedRefresh() {
    if (!m_refreshAsked.exchange(false)) return;
    if (HWND window = SetupWindowHandle()) PostMessageA(window, kZelkUpdate, 0, 0);
}

void Win32Platform::refreshRequestedWhileBusy() { g_refreshMissed.store(true); }

bool Win32Platform::runHeaderDialog(HeaderDialogValues& values) { return RunCabrilloDialog(values); }
