#pragma once

#include <windows.h>

#include <atomic>

#include "boundary/ansi_upper_case.h"
#include "engine/platform.h"

// The platform as the DLL sees it: profile strings of "Plugins\ZELK.ini", message boxes, file
// search, the window thread and the Cabrillo header dialog.
class Win32Platform final : public Platform {
public:
    std::string readSetting(std::string_view key, std::string_view fallback) override;
    void writeSetting(std::string_view key, std::string_view value) override;
    void showMessage(std::string_view text, std::string_view caption, MessageKind kind) override;
    std::vector<std::string> listFiles(std::string_view pattern) override;
    bool setupWindowOpen() override;
    void startSetupThread() override;
    // Notes the request; postAskedRefresh() sends it once the state lock is released.
    void postRefresh() override;
    void refreshRequestedWhileBusy() override;
    bool runHeaderDialog(HeaderDialogValues& values) override;

    // Posts the refresh that an operation asked for, if any. Called after the state lock is
    // released: a post may wait for the system (under Wine a round trip to its server), and
    // meanwhile the window thread must find the lock free.
    void postAskedRefresh();

private:
    std::atomic<bool> m_refreshAsked{false};
};


inline constexpr UINT kZelkUpdate = WM_USER + 500;
