#pragma once

// A contest session with the operator windows open: the real DLL, a fake host answering its
// automation calls, and helpers that read what the windows show.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "support/dll_under_test.h"
#include "support/message_loop_probe.h"
#include "support/scratch_folder.h"
#include "support/screen_probe.h"
#include "tools/fake_host.h"

inline constexpr int kTimeoutMs = 5000;
inline constexpr COLORREF kBackground = RGB(255, 250, 198);
inline constexpr COLORREF kCanvasWithCall = RGB(255, 255, 198);
inline constexpr COLORREF kBandHighlight = RGB(198, 255, 255);

inline std::string Setting(const char* key) {
    char value[256] = "";
    GetPrivateProfileStringA("Settings", key, "<none>", value, sizeof value, ".\\Plugins\\ZELK.ini");
    return value;
}

inline void WriteSetting(const char* key, const char* value) {
    WritePrivateProfileStringA("Settings", key, value, ".\\Plugins\\ZELK.ini");
}

inline stats_api::Qso Qso(const char* call, const char* band, unsigned hz, const char* mode, unsigned hour,
                          unsigned minute, const char* exchange) {
    stats_api::Qso q;
    q.myCall = "UT1AA";
    q.call = call;
    q.time = MakeOleDate(2017, 5, 6, hour, minute);
    q.frequencyHz = hz;
    q.mode = mode;
    q.rstSent = "599";
    q.rstReceived = "579";
    q.exchSent = "001";
    q.exchReceived = exchange;
    q.country = "UR";
    q.band = band;
    return q;
}

// The windows placed apart on the 1024x768 screen so that none covers another.
inline void PlaceWindows() {
    WriteSetting("setup_x", "650");
    WriteSetting("setup_y", "20");
    WriteSetting("prev_x", "20");
    WriteSetting("prev_y", "20");
    WriteSetting("zelk_x", "20");
    WriteSetting("zelk_y", "330");
}

inline void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The face of a mode button, inside its edge and away from its caption.
inline COLORREF FaceOf(HWND dialog, int id) {
    return CaptureWindow(GetDlgItem(dialog, id), RECT{3, 3, 4, 4}).at(0, 0);
}

// The control that has the keyboard focus in the dialog's thread.
inline HWND GetFocusedItem(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

// Whether a mode button's face turns to the colour (its window may still be painting).
inline ::testing::AssertionResult FaceTurns(HWND dialog, int id, COLORREF color) {
    COLORREF seen = 0;
    if (WaitUntil([&] { return (seen = FaceOf(dialog, id)) == color; }, kTimeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "button " << id << " face 0x" << std::hex << seen;
}

inline std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

inline std::vector<std::string> MacrosWithout(const std::vector<std::string>& macros,
                                              const std::string& left_out) {
    std::vector<std::string> kept;
    std::copy_if(macros.begin(), macros.end(), std::back_inserter(kept),
                 [&](const auto& m) { return m != left_out; });
    return kept;
}

inline int CountOf(const std::vector<std::string>& macros, const std::string& macro) {
    return static_cast<int>(std::count(macros.begin(), macros.end(), macro));
}

// Whether the canvas shows the text at (x, y) on the background, as its paint draws it.
inline ::testing::AssertionResult ShowsText(HWND canvas, int x, int y, const std::string& text,
                                            COLORREF background) {
    const RECT cell{x, y, x + 36, y + 14};
    const Pixels shown = CaptureWindow(canvas, cell);
    const Pixels expected = RenderText(cell, background, x, y, text);
    if (shown == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" not shown at " << x << "," << y;
}

// Whether the windows came to rest within the time: the window thread's message loop has taken
// every refresh asked for, and no call to the host arrived or is in flight meanwhile.
inline bool WaitUntilHostQuiet(const FakeHost& host, HWND setup, int timeoutMs = 30000) {
    const DWORD start = GetTickCount();
    auto left = [&] {
        const DWORD spent = GetTickCount() - start;
        return spent >= static_cast<DWORD>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(spent);
    };
    // A refresh may still come from a timer (a retry of 20 ms, a paced one after 50 ms), which the
    // message loop takes only once its queue is empty: quiet means no call for longer than those.
    constexpr DWORD kSettleMs = 120;
    int arrived = host.callsArrived();
    DWORD quietSince = GetTickCount();
    while (left() > 0) {
        if (!host.waitUntilNoCallInFlight(left())) return false;
        if (!MessageLoopCaughtUp(setup, left())) return false;
        const int now = host.callsArrived();
        if (now != arrived || host.callsInFlight() != 0) {
            arrived = now;
            quietSince = GetTickCount();
            continue;
        }
        if (GetTickCount() - quietSince >= kSettleMs) return true;
        WaitUntil([] { return false; }, 10);
    }
    return false;
}

inline std::string HostKindName(const ::testing::TestParamInfo<FakeHost::Kind>& info) {
    return info.param == FakeHost::Kind::gui ? "GuiHost" : "HostOnItsOwnThread";
}

// Every test of a suite run with both kinds of host: one answering on threads of its own, and one
// answering only while this thread (the host's thread) takes its messages.
#define RUN_WITH_BOTH_HOSTS(Suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(BothHosts, Suite, ::testing::Values(FakeHost::Kind::ownThread, FakeHost::Kind::gui), \
                             HostKindName)

// A contest folder with a district list, the fake host answering, and the windows wanted open.
class OperatorWindows : public ::testing::TestWithParam<FakeHost::Kind> {
protected:
    void SetUp() override {
        WriteWholeFile("Plugins\\zelk.txt", "KI-01 Kyiv\r\nCH-02 Chernihiv\r\nLV-03 Lviv\r\nOD-04 Odesa\r\n");
        PlaceWindows();
        host.setModeFollowsMacros(true);
        host.setMode("CW");
        host.setFrequency(3550000.0);
    }

    // A reset that opens the windows, and the three of them found on the screen.
    void OpenWindows(const char* ownPrefix, bool withLists = true) {
        WriteSetting("setup_view_prev_qso", withLists ? "1" : "0");
        WriteSetting("setup_view_zelk", withLists ? "1" : "0");
        ASSERT_EQ(dll.reset("UT1AA", 0, ownPrefix), 1);
        const bool russian = std::string(ownPrefix) == "UR";
        setup = WaitForWindowTitled(
            russian ? L"\x0423\x0441\x0442\x0430\x043d\x043e\x0432\x043a\x0438" : L"Setup ZELK-", kTimeoutMs);
        ASSERT_NE(setup, nullptr);
        if (!withLists) return;
        prev = WaitForWindowTitled(russian ? L"ZELK-2017 \x041f" : L"ZELK-2017 P", kTimeoutMs);
        zelk = WaitForWindowTitled(L"ZELK-2017 ", kTimeoutMs);
        ASSERT_NE(prev, nullptr);
        ASSERT_NE(zelk, nullptr);
        // The first refresh has run once the grid shows the band.
        WaitUntil([&] { return TitleOf(zelk) != L"ZELK-2017 "; }, kTimeoutMs);
    }

    // Waits until the windows ask the host nothing more before the test unloads the library or
    // reads the host's calls: an unload then never finds a call in flight.
    void WaitForQuietHost() {
        EXPECT_TRUE(WaitUntilHostQuiet(host, setup))
            << "the windows kept asking the host: entry field " << host.callCount(FakeHost::getEntryField)
            << ", frequency " << host.callCount(FakeHost::getFrequency) << ", mode "
            << host.callCount(FakeHost::getMode) << ", macros " << host.callCount(FakeHost::sendMacro)
            << ", in flight " << host.callsInFlight();
    }

    void TearDown() override { WaitForQuietHost(); }

    // Types a call into the host's entry field with a call check per keystroke.
    void Type(const std::string& call) {
        for (std::size_t length = 1; length <= call.size(); ++length) {
            host.setEntryField(call.substr(0, length));
            dll.check(call.substr(0, length).c_str(), "CW", "UR", "80m", "80m");
        }
    }

    bool guiHost() const { return GetParam() == FakeHost::Kind::gui; }

    ScratchFolder folder;
    FakeHost host{GetParam()};
    DllUnderTest dll;
    HWND setup = nullptr, prev = nullptr, zelk = nullptr;
};
