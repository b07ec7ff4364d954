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

// Per kind of host; STATS_LOAD_CYCLES=200 runs longer soaks.
const int kCycles = [] {
    const char* asked = std::getenv("STATS_LOAD_CYCLES");
    return asked ? std::atoi(asked) : 50;
}();
// COM's and the system's thread pools may grow by a thread or two (with their events) while the
// windows call the host; a leak per load would show by the hundred.
constexpr int kPoolGrowth = 4;
// What a load and unload may keep: a few hundred bytes of Wine's own, counted in whole heap pages.
// The runtime's exception pool alone, if a load kept it, is about 19 KB.
constexpr long long kCommittedGrowthPerCycle = 4 * 1024;

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
        // No window is shown once the unload has returned. The library itself goes with the unload,
        // or, where a starved window thread was left behind to finish (the designed fallback past the
        // idle-stop limit), as soon as that thread has left it.
        EXPECT_EQ(WaitForWindowTitled(L"Setup ZELK-", 0), nullptr);
        EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs))
            << "the library stayed after its unload";
    }

    void ExpectNoHandleLeft(bool windows) {
        dll.unload();
        Cycle(windows);  // the first load may set up what the process keeps for good
        const int before = CountOwnHandles();
        ASSERT_GT(before, 0) << "the system's handle list cannot be read";
        const auto typesBefore = CountOwnHandlesByType();
        const std::size_t committedBefore = CountCommittedBytes();
        const DWORD tlsIndexBefore = LowestFreeTlsIndex();
        for (int i = 0; i < kCycles && !HasFatalFailure(); ++i) Cycle(windows);
        const long long growth =
            static_cast<long long>(CountCommittedBytes()) - static_cast<long long>(committedBefore);
        std::printf("committed memory over %d cycles with the windows %s: %+lld KB (%+lld bytes a cycle)\n", kCycles,
                    windows ? "open" : "closed", growth / 1024, growth / kCycles);
        EXPECT_LE(growth, kCommittedGrowthPerCycle * kCycles);
        EXPECT_EQ(LowestFreeTlsIndex(), tlsIndexBefore) << "a thread-local storage index was kept per load";
        // Threads of the system's own (COM's, the display's) may still be ending.
        int after = CountOwnHandles();
        WaitUntil([&] { return (after = CountOwnHandles()) <= before; }, 1000);
        std::printf("handles over %d cycles with the windows %s: %d before, %d after\n", kCycles,
                    windows ? "open" : "closed", before, after);
        EXPECT_LE(after, before + (windows ? kPoolGrowth : 0)) << "by kind before: " << TypeNames(typesBefore)
                                 << "\nby kind after:  " << TypeNames(CountOwnHandlesByType());
    }
};

TEST_P(LoadCycles, LoadsAndUnloadsWithTheWindowsClosedLeaveNoHandle) { ExpectNoHandleLeft(false); }

TEST_P(LoadCycles, LoadsAndUnloadsWithTheWindowsOpenLeaveNoHandle) { ExpectNoHandleLeft(true); }

// What a fresh copy of the library answers: a reset, a QSO, its dupe, the results.
void ExpectAFreshLibrary(DllUnderTest& plugin) {
    WriteSetting("Start", "1");  // keep the windows closed
    ASSERT_EQ(plugin.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(plugin.add(Qso("UR5ABC", "80m", 3550000, "CW", 10, 5, "OD04")), 1);
    EXPECT_EQ(plugin.check("UR5ABC", "CW", "UR", "80m", "80m"), 0) << "the QSO just logged is a dupe";
    EXPECT_EQ(plugin.check("UR7QQ", "CW", "UR", "80m", "80m"), 1);
    int out = 0;
    const std::string results = plugin.getResult(&out);
    EXPECT_NE(results.find("Score:\t 1 *  1 = 1"), std::string::npos) << results;
}

// A load while the old copy's window thread still lives in it: the system hands back that copy,
// attached again, and it answers as a fresh one; unloaded again, it stays for the old thread.
void ExpectALoadMeanwhileWorks() {
    const std::string path = ProgramFolder() + "\\Stats.dll";
    HMODULE meanwhile = LoadLibraryA(path.c_str());
    ASSERT_NE(meanwhile, nullptr) << "a load while the old copy's thread waits failed: " << GetLastError();
    {
        DllUnderTest plugin;
        ExpectAFreshLibrary(plugin);
    }
    FreeLibrary(meanwhile);
}

// A load at the moment of an unload that waited for nothing (windows open, no host call): the
// library went with its FreeLibrary, and the next load is a fresh copy.
TEST_P(LoadCycles, ALoadRightAfterAnUnloadWithTheWindowsOpenGetsAFreshCopy) {
    OpenWindows("DL");
    ASSERT_EQ(dll.add(Qso("UR1LV", "80m", 3552000, "CW", 10, 7, "LV03")), 1);
    WaitForQuietHost();
    const auto before = std::chrono::steady_clock::now();
    dll.unload();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(GetModuleHandleW(L"Stats.dll"), nullptr);
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindow(window));
    DllUnderTest again;
    ExpectAFreshLibrary(again);
}

// An unload while the window thread waits for the host (a host that took the call and hangs, or
// a GUI host whose thread is the one unloading): the FreeLibrary returns at once with the windows
// hidden, the library stays for that thread and works if loaded again meanwhile; when the host
// answers, the windows close and the library goes, and the next load is a fresh copy.
TEST_P(LoadCycles, AnUnloadWhileAHostCallWaitsReturnsAtOnceAndALoadMeanwhileWorks) {
    OpenWindows("DL");
    WaitForQuietHost();
    host.setBlocked(true);
    host.setEntryField("UR5ABC");
    dll.check("UR5ABC", "CW", "UR", "80m", "80m");
    ASSERT_TRUE(host.waitForCallWaiting(kTimeoutMs));

    const auto before = std::chrono::steady_clock::now();
    dll.unload();
    const auto took = std::chrono::steady_clock::now() - before;
    std::printf("unload with a host call waiting took %.1f ms\n",
                std::chrono::duration<double, std::milli>(took).count());
    EXPECT_LT(took, std::chrono::seconds(1));
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindowVisible(window)) << WindowText(window);
    // The thread still waits for the host inside the library, which it keeps mapped for itself.
    EXPECT_NE(GetModuleHandleW(L"Stats.dll"), nullptr);
    ExpectALoadMeanwhileWorks();

    host.setBlocked(false);
    EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs))
        << "the library stayed after its window thread was let go";
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(host.waitUntilNoCallInFlight(kTimeoutMs));
    DllUnderTest again;
    ExpectAFreshLibrary(again);
}

// The system's loader lock, held by this thread for as long as the object lives: a thread started
// meanwhile cannot begin (it first tells every loaded library that it starts), as when the
// machine is too busy to let the window thread make its window before the host unloads.
class LoaderLockHeld {
public:
    LoaderLockHeld() {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        m_lock = reinterpret_cast<Lock>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
        m_unlock = reinterpret_cast<Unlock>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
        m_held = m_lock && m_unlock && m_lock(0, nullptr, &m_cookie) == 0;
    }
    ~LoaderLockHeld() { release(); }
    LoaderLockHeld(const LoaderLockHeld&) = delete;
    LoaderLockHeld& operator=(const LoaderLockHeld&) = delete;

    bool held() const { return m_held; }
    void release() {
        if (m_held) m_unlock(0, m_cookie);
        m_held = false;
    }

private:
    using Lock = LONG(NTAPI*)(ULONG flags, ULONG* state, ULONG_PTR* cookie);
    using Unlock = LONG(NTAPI*)(ULONG flags, ULONG_PTR cookie);
    Lock m_lock = nullptr;
    Unlock m_unlock = nullptr;
    ULONG_PTR m_cookie = 0;
    bool m_held = false;
};

// A window-opening reset whose window thread cannot make its window (the loader busy) returns
// after a short wait; an unload then cannot wait for that thread either: it returns at once, and
// once the thread can run it shows no window, leaves the library, and the next load is a fresh
// copy.
TEST_P(LoadCycles, AnUnloadBeforeTheWindowThreadHasItsWindowLeavesItBehindSafely) {
    WriteSetting("Start", "0");
    WriteSetting("setup_view_prev_qso", "1");
    {
        LoaderLockHeld loader;
        ASSERT_TRUE(loader.held());
        auto before = std::chrono::steady_clock::now();
        ASSERT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
        before = std::chrono::steady_clock::now();
        dll.unload();
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
        EXPECT_NE(GetModuleHandleW(L"Stats.dll"), nullptr) << "the waiting thread's copy went";
        for (const wchar_t* title : {L"Setup ZELK-", L"ZELK-2017 "}) {
            HWND made = WaitForWindowTitled(title, 0);
            EXPECT_TRUE(!made || !IsWindowVisible(made)) << "a starting thread's window is shown";
        }
        ExpectALoadMeanwhileWorks();
    }
    EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs))
        << "the library stayed after its window thread could run";
    EXPECT_EQ(WaitForWindowTitled(L"Setup ZELK-", 0), nullptr);
    EXPECT_EQ(WaitForWindowTitled(L"ZELK-2017 P", 0), nullptr);
    DllUnderTest again;
    ExpectAFreshLibrary(again);
}

// Unloads at every moment of the window thread's start: each load opens the windows and unloads
// at once, with the thread still making its window or asking the host for the first time. Every unload returns within its
// bound, the library and its windows go once the thread has left, and no load sees a detached copy.
TEST_P(LoadCycles, UnloadsAtOnceAfterAWindowOpeningResetNeverLeaveTheLibraryOrAWindowBehind) {
    dll.unload();
    int leftStarting = 0, leftAsking = 0;
    for (int i = 0; i < kCycles && !HasFatalFailure(); ++i) {
        WriteSetting("Start", "0");
        DllUnderTest plugin;
        ASSERT_EQ(plugin.reset("UT1AA", 0, "DL"), 1);
        const bool windowMade = WaitForWindowTitled(L"Setup ZELK-", 0) != nullptr;
        const auto before = std::chrono::steady_clock::now();
        plugin.unload();
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
        if (GetModuleHandleW(L"Stats.dll")) ++(windowMade ? leftAsking : leftStarting);
        ASSERT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs))
            << "cycle " << i << ": the library stayed";
        ASSERT_TRUE(WaitUntil([] { return WaitForWindowTitled(L"Setup ZELK-", 0) == nullptr; }, kTimeoutMs))
            << "cycle " << i << ": the setup window stayed";
    }
    std::printf("of %d unloads, %d left the window thread behind before its window, %d after it\n", kCycles,
                leftStarting, leftAsking);
    DllUnderTest again;
    ExpectAFreshLibrary(again);
}

// The window-opening reset returns at once however the host answers, and the windows then follow
// the host as it takes its messages.
TEST_P(LoadCycles, AResetThatOpensTheWindowsReturnsAtOnceAndTheWindowsFollowOnceTheHostAnswers) {
    WriteSetting("Start", "0");
    WriteSetting("setup_view_prev_qso", "1");
    host.setEntryField("UR5ABC");
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    setup = WaitForWindowTitled(L"Setup ZELK-", kTimeoutMs);
    ASSERT_NE(setup, nullptr);
    prev = WaitForWindowTitled(L"ZELK-2017 P", kTimeoutMs);
    ASSERT_NE(prev, nullptr);
    EXPECT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with UR5ABC ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with UR5ABC ");
}

RUN_WITH_BOTH_HOSTS(LoadCycles);

}  // namespace
