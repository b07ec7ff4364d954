// The window thread under load and at its end: the host's work gives the same answers while the
// windows refresh and paint, and an unload closes the windows promptly. An unload held up by a host
// that stops answering is tested with the load cycles.
#include <atomic>
#include <cstdio>
#include <thread>

#include "support/operator_session.h"

namespace {

// The host's thread works the log hard while the window thread refreshes and paints, and the
// setup window is closed and reopened by later resets; then the library goes with the windows open.
std::vector<std::string> RunBusyContest(DllUnderTest& dll, FakeHost* host, bool windows) {
    std::vector<std::string> answers;
    const char* const calls[] = {"UR5ABC", "UR1LV", "UR2KI", "UR3CH", "DL1XYZ"};
    const char* const codes[] = {"OD04", "LV03", "KI01", "CH02", "017"};
    const char* const bands[] = {"160m", "80m", "40m"};
    const unsigned bandHz[] = {1830000, 3550000, 7030000};
    const char* const modes[] = {"CW", "SSB", "BPSK63"};
    for (int i = 0; i < 600; ++i) {
        if (i % 150 == 0) {
            if (!windows) WriteSetting("Start", "1");
            answers.push_back(std::to_string(dll.reset("UT1AA", 0, "DL")));
        }
        const int c = i % 5, b = (i / 5) % 3, m = (i / 15) % 3;
        auto q = Qso(calls[c], bands[b], bandHz[b] + static_cast<unsigned>(i), modes[m], 10 + i % 12, i % 60,
                     codes[c]);
        q.country = c == 4 ? "DL" : "UR";
        if (host) {
            host->setEntryField(std::string(calls[c]).substr(0, 2 + i % 5));
            host->setFrequency(bandHz[b] + 400.0 * (i % 7));
        }
        answers.push_back(std::to_string(dll.add(q)));
        PumpHostMessages();  // as a host's UI thread does between its calls
        answers.push_back(std::to_string(dll.check(calls[(i + 1) % 5], modes[m], "UR", bands[b], bands[b])));
        if (i % 7 == 3) answers.push_back(std::to_string(dll.remove(q)));
        if (i % 25 == 0) {
            int out = 0;
            answers.push_back(dll.getResult(&out));
        }
        if (windows && i % 200 == 100) {
            // The operator ends the setup window (Escape); the next reset with the switch at 0 brings it
            // back.
            if (HWND setup = WaitForWindowTitled(L"Setup ZELK-", 0)) PostMessageW(setup, WM_CLOSE, 0, 0);
        }
    }
    int out = 0;
    answers.push_back(dll.getResult(&out));
    answers.push_back(ReadWholeFile("BadQSO_StatsZELK_06_05_2017.txt"));
    return answers;
}

TEST_P(OperatorWindows, TheHostsWorkGivesTheSameAnswersWhileTheWindowsRefreshAndAnUnloadEndsThemPromptly) {
    OpenWindows("DL");
    const auto withWindows = RunBusyContest(dll, &host, true);
    // The windows kept following the host while it worked (how often depends on the machine's load).
    EXPECT_GT(host.callCount(FakeHost::getEntryField), 5);
    // The library goes while its windows keep being asked to repaint.
    WaitForQuietHost();
    std::atomic<bool> painting{true};
    std::thread painter([&] {
        while (painting.load()) {
            for (HWND window : {prev, zelk})
                if (IsWindow(window))
                    InvalidateRect(GetDlgItem(window, window == prev ? IDC_PREV_CANVAS : IDC_ZELK_CANVAS),
                                   nullptr, FALSE);
            Sleep(1);
        }
    });
    const auto before = std::chrono::steady_clock::now();
    dll.unload();
    const auto took = std::chrono::steady_clock::now() - before;
    painting.store(false);
    painter.join();
    EXPECT_LT(took, std::chrono::seconds(1));
    // With a host that answers only as its thread takes its messages, windows waiting for it close
    // once it does.
    EXPECT_TRUE(WaitUntil([] { return WaitForWindowTitled(L"Setup ZELK-", 0) == nullptr; }, kTimeoutMs));
    // A window thread that was in a conversation with the host at the unload keeps the library a
    // moment longer; the copy for the answers without windows is a fresh one.
    EXPECT_TRUE(WaitUntil([] { return GetModuleHandleW(L"Stats.dll") == nullptr; }, kTimeoutMs));

    DllUnderTest quiet;
    const auto withoutWindows = RunBusyContest(quiet, nullptr, false);
    EXPECT_EQ(WaitForWindowTitled(L"Setup ZELK-", 0), nullptr);
    ASSERT_EQ(withWindows.size(), withoutWindows.size());
    for (std::size_t i = 0; i < withWindows.size(); ++i)
        EXPECT_EQ(withWindows[i], withoutWindows[i]) << "answer " << i;
}

RUN_WITH_BOTH_HOSTS(OperatorWindows);

}  // namespace
