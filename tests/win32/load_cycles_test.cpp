// A host that loads and unloads the plug-in again and again ends with the handles it began with,
// with the operator windows closed or open; an unload held up by a host call that never returns
// ends within its bound, hides the windows at once, and the library leaves the process as soon as
// the call returns.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "support/handle_count.h"
#include "support/window_finder.h"
#include "support/operator_session.h"

namespace {

// STATS_LOAD_CYCLES=200 runs longer soaks.
const int kCycles = [] {
    const char* asked = std::getenv("STATS_LOAD_CYCLES");
    return asked ? std::atoi(asked) : 100;
}();
// COM's and the system's thread pools may grow by a thread or two (with their events) while the
// windows call the host; a leak per load would show by the hundred.
constexpr int kPoolGrowth = 4;

std::string TypeNames(const std::map<int, int>& byType) {
    std::string text;
    for (const auto& [type, count] : byType) text += std::to_string(type) + ":" + std::to_string(count) + " ";
    return text;
}

class LoadCycles : public OperatorWindows {
protected:

    // One load as a host does it: reset, a typed call with its checks, a QSO, the results, unload.
    void Cycle(bool windows) {
        WriteSetting("Start", windows ? "0" : "1");
        DllUnderTest plugin;
        ASSERT_EQ(plugin.reset("UT1AA", 0, "DL"), 1);
        HWND shown = windows ? WaitForWindowTitled(L"Setup ZELK-", kTimeoutMs) : nullptr;
        ASSERT_EQ(shown != nullptr, windows);
        for (const char* typed : {"U", "UR", "UR5", "UR5A", "UR5ABC"}) {
            host.setEntryField(typed);
            plugin.check(typed, "CW", "UR", "80m", "80m");
        }
        EXPECT_EQ(plugin.add(Qso("UR5ABC", "80m", 3550000, "CW", 10, 5, "OD04")), 1);
        int out = 0;
        EXPECT_NE(std::string(plugin.getResult(&out)), "");
        ASSERT_TRUE(!windows || WaitUntilHostQuiet(host, shown));
        plugin.unload();
        EXPECT_EQ(GetModuleHandleW(L"Stats.dll"), nullptr) << "the library stayed after its unload";
        EXPECT_EQ(WaitForWindowTitled(L"Setup ZELK-", 0), nullptr);
    }

    void ExpectNoHandleLeft(bool windows) {
        dll.unload();
        Cycle(windows);  // the first load may set up what the process keeps for good
        const int before = CountOwnHandles();
        ASSERT_GT(before, 0) << "the system's handle list cannot be read";
        const auto typesBefore = CountOwnHandlesByType();
        for (int i = 0; i < kCycles && !HasFatalFailure(); ++i) Cycle(windows);
        // Threads of the system's own (COM's, the display's) may still be ending.
        int after = CountOwnHandles();
        WaitUntil([&] { return (after = CountOwnHandles()) <= before; }, 1000);
        std::printf("handles over %d cycles with the windows %s: %d before, %d after\n", kCycles,
                    windows ? "open" : "closed", before, after);
        EXPECT_LE(after, before + (windows ? kPoolGrowth : 0)) << "by kind before: " << TypeNames(typesBefore)
                                 << "\nby kind after:  " << TypeNames(CountOwnHandlesByType());
    }
};

TEST_F(LoadCycles, LoadsAndUnloadsWithTheWindowsClosedLeaveNoHandle) { ExpectNoHandleLeft(false); }

TEST_F(LoadCycles, LoadsAndUnloadsWithTheWindowsOpenLeaveNoHandle) { ExpectNoHandleLeft(true); }

TEST_F(LoadCycles, AnUnloadHeldUpByAHostCallHidesTheWindowsAtOnceAndTheLibraryGoesWhenTheCallReturns) {
    OpenWindows("DL");
    WaitForQuietHost();
    host.setBlocked(true);
    host.setEntryField("UR5ABC");
    const int asked = host.callCount(FakeHost::getEntryField);
    ASSERT_TRUE(WaitUntil(
        [&] {
            dll.check("UR5ABC", "CW", "UR", "80m", "80m");
            return host.waitForCalls(FakeHost::getEntryField, asked + 1, 100);
        },
        kTimeoutMs));

    const auto before = std::chrono::steady_clock::now();
    dll.unload();
    const auto took = std::chrono::steady_clock::now() - before;
    std::printf("unload with a host call that does not return took %d ms\n",
                static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_LT(took, std::chrono::milliseconds(6500));
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindowVisible(window)) << WindowText(window);
    // The thread still waits for the host inside the library, which it keeps mapped for itself.
    EXPECT_NE(GetModuleHandleW(L"Stats.dll"), nullptr);

    host.setBlocked(false);
    EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs))
        << "the library stayed after its window thread was let go";
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(host.callsInFlight(), 0);
}

}  // namespace
