// Unloads that cannot wait for the window thread (it waits for the host) with both kinds of host:
// they give back every handle and their memory once the thread has left, a host that withdraws its
// object around them never hangs, a load right after them gets a working copy, and no window of
// the plug-in is on the screen when FreeLibrary returns, whatever the window thread is doing.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "boundary/loader_lock.h"
#include "support/handle_count.h"
#include "support/loader_wait.h"
#include "support/operator_session.h"
#include "support/window_finder.h"

namespace {

const int kLeftBehindCycles = [] {
    const char* asked = std::getenv("STATS_LEFT_BEHIND_CYCLES");
    return asked ? std::atoi(asked) : 100;
}();
// COM's and the system's thread pools may keep a thread or two more (with their events). A leak
// per unload shows by the hundred.
constexpr int kHandleGrowth = 10;
// A load and unload keeps a few hundred bytes of Wine's own, counted here in whole heap pages;
// anything the unload itself left (a thread's stack, the runtime's records, locks and exception
// pool, the statics' heap) would come on top: the exception pool alone is about 19 KB.
constexpr long long kCommittedGrowthPerCycle = 4 * 1024;
// A step of a host's shutdown that takes longer than this is a hang.
constexpr auto kStepLimit = std::chrono::seconds(2);

std::string TypeNames(const std::map<int, int>& byType) {
    std::string text;
    for (const auto& [type, count] : byType) text += std::to_string(type) + ":" + std::to_string(count) + " ";
    return text;
}

bool LibraryMapped() { return GetModuleHandleW(L"Stats.dll") != nullptr; }

// Ends the whole test program when a step hangs: a deadlock would otherwise hold it until the
// test runner's own limit, and say nothing of where.
class HangWatch {
public:
    explicit HangWatch(const char* what) : m_what(what), m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        m_thread = std::thread([this] {
            if (WaitForSingleObject(m_done, 20000) == WAIT_OBJECT_0) return;
            std::fprintf(stderr, "HUNG: %s did not end within 20 s\n", m_what);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        });
    }
    ~HangWatch() {
        SetEvent(m_done);
        m_thread.join();
        CloseHandle(m_done);
    }
    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;

private:
    const char* m_what;
    HANDLE m_done;
    std::thread m_thread;
};

template <typename Step>
std::chrono::milliseconds Timed(const char* what, Step&& step) {
    HangWatch watch(what);
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// The windows of the plug-in that are on the screen.
::testing::AssertionResult NoneShown(std::initializer_list<HWND> windows) {
    for (HWND window : windows)
        if (window && IsWindow(window) && IsWindowVisible(window))
            return ::testing::AssertionFailure() << "still shown: \"" << WindowText(window) << "\"";
    for (const wchar_t* title : {L"Setup ZELK-", L"ZELK-2017 "})
        if (HWND found = WaitForWindowTitled(title, 0); found && IsWindowVisible(found))
            return ::testing::AssertionFailure() << "still shown: \"" << WindowText(found) << "\"";
    return ::testing::AssertionSuccess();
}

class LeftBehind : public OperatorWindows {
protected:
    // A refresh asked for by a call check, now waiting for a host that does not answer.
    void RefreshWaitingForTheHost(DllUnderTest& plugin) {
        host.setBlocked(true);
        host.setEntryField("UR5ABC");
        plugin.check("UR5ABC", "CW", "UR", "80m", "80m");
        ASSERT_TRUE(host.waitForCallWaiting(kTimeoutMs));
    }

    // The thread's library goes once the host answers again.
    void LetTheThreadLeave() {
        host.setBlocked(false);
        ASSERT_TRUE(WaitUntil([] { return !LibraryMapped(); }, kTimeoutMs)) << "the library stayed";
    }

    // One load whose unload leaves the window thread behind, waiting for the host.
    void CycleLeavingTheThreadBehind() {
        WriteSetting("Start", "0");
        DllUnderTest plugin;
        ASSERT_EQ(plugin.reset("UT1AA", 0, "DL"), 1);
        HWND shown = WaitForWindowTitled(L"Setup ZELK-", kTimeoutMs);
        ASSERT_NE(shown, nullptr);
        RefreshWaitingForTheHost(plugin);
        plugin.unload();
        ASSERT_TRUE(LibraryMapped()) << "the unload waited for a thread that waits for the host";
        EXPECT_TRUE(NoneShown({shown}));
        LetTheThreadLeave();
    }
};

TEST_P(LeftBehind, UnloadsThatLeaveTheThreadBehindGiveBackEveryHandleAndTheirMemory) {
    dll.unload();
    WriteSetting("setup_view_prev_qso", "1");
    WriteSetting("setup_view_zelk", "1");
    // The first few set up what the process keeps for good (COM's threads, the display's caches).
    for (int i = 0; i < 3 && !HasFatalFailure(); ++i) CycleLeavingTheThreadBehind();
    const int handlesBefore = CountOwnHandles();
    const std::size_t committedBefore = CountCommittedBytes();
    ASSERT_GT(handlesBefore, 0) << "the system's handle list cannot be read";
    const auto typesBefore = CountOwnHandlesByType();
    const DWORD tlsIndexBefore = LowestFreeTlsIndex();
    for (int i = 0; i < kLeftBehindCycles && !HasFatalFailure(); ++i) CycleLeavingTheThreadBehind();
    int handlesAfter = CountOwnHandles();
    WaitUntil([&] { return (handlesAfter = CountOwnHandles()) <= handlesBefore; }, 1000);
    const std::size_t committedAfter = CountCommittedBytes();
    const long long growth = static_cast<long long>(committedAfter) - static_cast<long long>(committedBefore);
    std::printf("%d unloads leaving the thread behind: handles %d -> %d, committed memory %+lld KB (%+lld bytes a cycle)\n",
                kLeftBehindCycles, handlesBefore, handlesAfter, growth / 1024, growth / kLeftBehindCycles);
    EXPECT_LE(handlesAfter, handlesBefore + kHandleGrowth) << "by kind before: " << TypeNames(typesBefore)
                                                           << "\nby kind after:  " << TypeNames(CountOwnHandlesByType());
    EXPECT_LE(growth, kCommittedGrowthPerCycle * kLeftBehindCycles);
    EXPECT_EQ(LowestFreeTlsIndex(), tlsIndexBefore) << "a thread-local storage index was kept per load";
}

// The host withdraws its object (RevokeActiveObject) while a refresh waits for it, before or after
// it unloads the library, or after answering the refresh: each step ends within its bound, and the
// library and its windows go.
enum class Step { withdraw, unload, answer };
const char* const kStepNames[] = {"withdraw", "unload", "answer"};

class HostWithdrawal : public LeftBehind {
protected:
    void Run(std::initializer_list<Step> order) {
        OpenWindows("DL");
        WaitForQuietHost();
        RefreshWaitingForTheHost(dll);
        for (Step step : order) {
            const char* name = kStepNames[static_cast<int>(step)];
            const auto took = Timed(name, [&] {
                if (step == Step::withdraw) host.withdraw();
                if (step == Step::unload) dll.unload();
                if (step == Step::answer) {
                    host.setBlocked(false);
                    PumpHostMessages();
                }
            });
            EXPECT_LT(took, kStepLimit) << name;
            if (step == Step::unload) EXPECT_TRUE(NoneShown({setup, prev, zelk}));
        }
        EXPECT_TRUE(WaitUntil([] { return !LibraryMapped(); }, kTimeoutMs)) << "the library stayed";
    }
};

TEST_P(HostWithdrawal, WithdrawThenUnload) { Run({Step::withdraw, Step::unload, Step::answer}); }
TEST_P(HostWithdrawal, UnloadThenWithdraw) { Run({Step::unload, Step::withdraw, Step::answer}); }
TEST_P(HostWithdrawal, WithdrawThenAnswerThenUnload) { Run({Step::withdraw, Step::answer, Step::unload}); }

// A load at once after an unload, while the old copy's window thread may still wait for the host:
// the load gets a working copy at its first try, with or without messages taken between, and its
// windows open once the old thread has left.
TEST_P(LeftBehind, ALoadAtOnceAfterAnUnloadWorks) {
    struct Case {
        const char* name;
        bool hostCallWaiting;
        bool pumpBetween;
    };
    const Case cases[] = {{"waiting, no pump", true, false},
                          {"waiting, pump", true, true},
                          {"idle, no pump", false, false},
                          {"idle, pump", false, true}};
    dll.unload();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSetting("Start", "0");
        auto old = std::make_unique<DllUnderTest>();
        ASSERT_EQ(old->reset("UT1AA", 0, "DL"), 1);
        HWND oldSetup = WaitForWindowTitled(L"Setup ZELK-", kTimeoutMs);
        ASSERT_NE(oldSetup, nullptr);
        if (c.hostCallWaiting) RefreshWaitingForTheHost(*old);
        else ASSERT_TRUE(WaitUntilHostQuiet(host, oldSetup));
        old.reset();
        if (c.pumpBetween) PumpHostMessages();

        const std::string path = ProgramFolder() + "\\Stats.dll";
        HMODULE first = LoadLibraryA(path.c_str());
        ASSERT_NE(first, nullptr) << "the load right after the unload failed: " << GetLastError();
        {
            DllUnderTest again;
            FreeLibrary(first);
            WriteSetting("Start", "1");  // this reset keeps the windows closed
            ASSERT_EQ(again.reset("UT1AA", 0, "DL"), 1);
            EXPECT_EQ(again.add(Qso("UR5ABC", "80m", 3550000, "CW", 10, 5, "OD04")), 1);
            EXPECT_EQ(again.check("UR5ABC", "CW", "UR", "80m", "80m"), 0) << "the QSO just logged is a dupe";
            int out = 0;
            const std::string results = again.getResult(&out);
            EXPECT_NE(results.find("Score:\t 1 *  1 = 1"), std::string::npos) << results;

            // A window-opening reset on the new copy: its windows come once the old thread is gone.
            ASSERT_EQ(again.reset("UT1AA", 0, "DL"), 1);
            host.setBlocked(false);
            HWND setupNow = nullptr;
            EXPECT_TRUE(WaitUntil(
                [&] {
                    again.check("UR5", "CW", "UR", "80m", "80m");
                    setupNow = WaitForWindowTitled(L"Setup ZELK-", 0);
                    return setupNow && setupNow != oldSetup && IsWindowVisible(setupNow);
                },
                kTimeoutMs))
                << "the new copy's windows never opened";
            if (setupNow) EXPECT_TRUE(WaitUntilHostQuiet(host, setupNow));
        }
        EXPECT_TRUE(WaitUntil([] { return !LibraryMapped(); }, kTimeoutMs)) << "the library stayed";
    }
}

// Right when FreeLibrary returns, none of the windows is on the screen, whatever the window thread
// was doing: idle, painting, waiting for a host call that is answered soon after, or for one that
// is not answered until later.
TEST_P(LeftBehind, NoWindowIsShownWhenTheUnloadReturns) {
    enum class Doing { idle, painting, callAnsweredSoon, callHanging };
    const std::pair<Doing, const char*> states[] = {{Doing::idle, "idle"},
                                                    {Doing::painting, "painting"},
                                                    {Doing::callAnsweredSoon, "host call answered soon"},
                                                    {Doing::callHanging, "host call hanging"}};
    dll.unload();
    WriteSetting("setup_view_prev_qso", "1");
    WriteSetting("setup_view_zelk", "1");
    for (const auto& [doing, name] : states) {
        SCOPED_TRACE(name);
        WriteSetting("Start", "0");
        auto plugin = std::make_unique<DllUnderTest>();
        ASSERT_EQ(plugin->reset("UT1AA", 0, "DL"), 1);
        HWND s = WaitForWindowTitled(L"Setup ZELK-", kTimeoutMs);
        HWND p = WaitForWindowTitled(L"ZELK-2017 P", kTimeoutMs);
        HWND z = WaitForWindowTitled(L"ZELK-2017 ZELK", kTimeoutMs);
        ASSERT_TRUE(s && p && z);
        ASSERT_TRUE(WaitUntilHostQuiet(host, s));
        std::thread answerer;
        if (doing == Doing::painting)
            for (int i = 0; i < 50; ++i)
                for (HWND w : {s, p, z}) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        if (doing == Doing::callAnsweredSoon || doing == Doing::callHanging) RefreshWaitingForTheHost(*plugin);
        if (doing == Doing::callAnsweredSoon && !guiHost())
            answerer = std::thread([this] { host.setBlocked(false); });
        plugin.reset();
        EXPECT_TRUE(NoneShown({s, p, z}));
        if (answerer.joinable()) answerer.join();
        host.setBlocked(false);
        EXPECT_TRUE(WaitUntil([] { return !LibraryMapped(); }, kTimeoutMs)) << "the library stayed";
        EXPECT_TRUE(NoneShown({s, p, z}));
    }
}

// The window thread goes for the loader lock (a library load, as COM may make one as a conversation
// begins) just as the host unloads the library, which holds that lock until FreeLibrary returns:
// the thread can take no request to hide its windows before then, and the unload must not wait for
// it. The unload returns within its bound, the windows go as soon as the loader is free, and the
// library with the thread.
TEST_P(LeftBehind, AnUnloadWhileTheWindowThreadWaitsForTheLoaderReturnsAndTheWindowsGoOnceItIsFree) {
    OpenWindows("DL");
    WaitForQuietHost();
    LoaderWaitHook hook(GetWindowThreadProcessId(setup, nullptr));
    ASSERT_TRUE(hook.installed());
    {
        // Started before the lock is taken: a thread's start waits for the loader lock.
        HangWatch watch("the unload while the window thread waits for the loader lock");
        LoaderLock loader;
        ASSERT_TRUE(loader.held());
        ASSERT_TRUE(hook.sendForTheLoader(setup, kTimeoutMs));
        const auto start = std::chrono::steady_clock::now();
        dll.unload();
        EXPECT_LT(std::chrono::steady_clock::now() - start, kStepLimit);
    }
    EXPECT_TRUE(WaitUntil([&] { return NoneShown({setup, prev, zelk}); }, 2000));
    EXPECT_TRUE(WaitUntil([] { return !LibraryMapped(); }, kTimeoutMs)) << "the library stayed";
}

RUN_WITH_BOTH_HOSTS(LeftBehind);
RUN_WITH_BOTH_HOSTS(HostWithdrawal);

}  // namespace
