// The operator windows of the real DLL, driven as the host drives them, with the host's automation
// object played by a fake: the window thread's start and stop, the mode buttons, the captions in
// both languages, the ini keys, the live refresh and what the windows show.
#include "support/operator_session.h"

namespace {

TEST_P(OperatorWindows, TheStartSwitchStartsTheThreadOnceAndAnUnloadClosesTheWindows) {
    OpenWindows("DL");
    EXPECT_EQ(TitleOf(setup), L"Setup ZELK-2017");
    EXPECT_EQ(Setting("Start"), "1");
    // The next reset only turns the one-shot switch back; the windows stay as they are.
    ASSERT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(Setting("Start"), "0");
    EXPECT_TRUE(IsWindow(setup));
    // The one after that finds the thread running and changes nothing.
    ASSERT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(Setting("Start"), "0");

    const WindowThreadWatch windowThread(setup);
    WaitForQuietHost();
    const auto before = std::chrono::steady_clock::now();
    dll.unload();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::seconds(1));
    for (HWND window : {setup, prev, zelk}) EXPECT_FALSE(IsWindow(window));
    // The process goes on pumping messages with the library and its thread gone.
    EXPECT_TRUE(WaitUntil([&] { return windowThread.ended(0) && !GetModuleHandleW(L"Stats.dll"); }, kTimeoutMs));
}

TEST_P(OperatorWindows, ModeButtonsSendTheirMacrosMarkTheirModeAndRememberIt) {
    OpenWindows("DL", false);
    // With no mode stored, the window sends CW again as it opens, and marks it.
    ASSERT_TRUE(WaitUntil([&] { return MacrosWithout(host.macros(), "<SP1>").size() >= 2; }, kTimeoutMs));
    EXPECT_EQ(MacrosWithout(host.macros(), "<SP1>"),
              (std::vector<std::string>{"<MODE:CW>", "<BAUDRATE:27>"}));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_CW, RGB(0, 255, 0)));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_SSB, RGB(240, 240, 240)));

    // BPSK125 has no mode macro of its own; the mode is stored once the host reports it.
    host.clearMacros();
    Click(setup, IDC_MODE_BPSK125);
    ASSERT_TRUE(WaitUntil([] { return Setting("Mode") == "BPSK125"; }, kTimeoutMs));
    EXPECT_EQ(MacrosWithout(host.macros(), "<SP1>"),
              (std::vector<std::string>{"<MODE:BPSK31>", "<BAUDRATE:125>"}));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_BPSK125, RGB(0, 255, 0)));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_CW, RGB(240, 240, 240)));

    // A host that never reports QPSK63: the button turns green, the wait gives up, nothing is stored.
    host.setModeFollowsMacros(false);
    host.clearMacros();
    const auto clicked = std::chrono::steady_clock::now();
    Click(setup, IDC_MODE_QPSK63);
    ASSERT_TRUE(WaitUntil([&] { return MacrosWithout(host.macros(), "<SP1>").size() == 2; }, kTimeoutMs));
    EXPECT_EQ(MacrosWithout(host.macros(), "<SP1>"),
              (std::vector<std::string>{"<MODE:QPSK31>", "<BAUDRATE:63>"}));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_QPSK63, RGB(0, 255, 0)));
    // The window answers again after the wait: the next click goes through.
    Click(setup, IDC_MODE_SSB);
    // Only after the wait's five seconds; how long after depends on the machine's load.
    ASSERT_TRUE(WaitUntil([] { return Setting("Mode") == "SSB"; }, 20000));
    EXPECT_GE(std::chrono::steady_clock::now() - clicked, std::chrono::milliseconds(4500));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_SSB, RGB(0, 255, 0)));
    EXPECT_TRUE(FaceTurns(setup, IDC_MODE_QPSK63, RGB(240, 240, 240)));

    // A pressed button with the focus: its outer edge line sunken, the inner one still raised.
    HWND rtty = GetDlgItem(setup, IDC_MODE_RTTY);
    PostMessageW(setup, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(rtty), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return GetFocusedItem(setup) == rtty; }, kTimeoutMs));
    SendMessageW(rtty, BM_SETSTATE, TRUE, 0);
    RECT size{};
    GetClientRect(rtty, &size);
    const Pixels edge = CaptureWindow(rtty, size);
    EXPECT_EQ(edge.at(1, 0), RGB(128, 128, 128));
    EXPECT_EQ(edge.at(0, 1), RGB(128, 128, 128));
    EXPECT_EQ(edge.at(size.right - 1, size.bottom - 1), RGB(255, 255, 255));
    EXPECT_EQ(edge.at(2, 1), RGB(223, 223, 223));
    EXPECT_EQ(edge.at(3, 3), RGB(240, 240, 240));
    SendMessageW(rtty, BM_SETSTATE, FALSE, 0);
}

TEST_P(OperatorWindows, EnglishCaptionsFollowTheRefreshAndTheCheckBoxesKeepTheirKeys) {
    OpenWindows("DL");
    EXPECT_EQ(ItemText(setup, IDC_MODE_LABEL), L"Mode");
    EXPECT_EQ(ItemText(setup, IDC_VIEW_PREV), L"Previsions QSO");
    EXPECT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO", kTimeoutMs), L"ZELK-2017 Previous QSO");
    EXPECT_EQ(WaitForTitle(zelk, L"ZELK-2017 ZELK on 80m CW", kTimeoutMs), L"ZELK-2017 ZELK on 80m CW");
    // A typed call is followed from its third character on (the first refresh showed none).
    for (const char* typed : {"DL1", "DL1ABC"}) {
        const std::wstring caption = L"ZELK-2017 Previous QSO with " + std::wstring(typed, typed + strlen(typed)) + L" ";
        Type(typed);
        EXPECT_EQ(WaitForTitle(prev, caption, kTimeoutMs), caption) << typed;
    }

    // The previous-QSO check box closes the window and opens a new one, and says so in the ini file.
    // The window goes (or comes) first, the key is written after it.
    Click(setup, IDC_VIEW_PREV);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prev); }, kTimeoutMs));
    EXPECT_TRUE(WaitUntil([] { return Setting("setup_view_prev_qso") == "0"; }, kTimeoutMs));
    Click(setup, IDC_VIEW_PREV);
    prev = WaitForWindowTitled(L"ZELK-2017 Previous", kTimeoutMs);
    ASSERT_NE(prev, nullptr);
    EXPECT_TRUE(WaitUntil([] { return Setting("setup_view_prev_qso") == "1"; }, kTimeoutMs));
    EXPECT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with DL1ABC ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with DL1ABC ");

    // "Window on top" reopens both list windows topmost; the setup window is topmost either way.
    EXPECT_TRUE(GetWindowLongW(setup, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongW(prev, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Click(setup, IDC_WINDOW_ON_TOP);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prev) && !IsWindow(zelk); }, kTimeoutMs));
    EXPECT_EQ(Setting("setup_window_on_top"), "1");
    prev = WaitForWindowTitled(L"ZELK-2017 Previous", kTimeoutMs);
    zelk = WaitForWindowTitled(L"ZELK-2017 ", kTimeoutMs);
    ASSERT_NE(prev, nullptr);
    ASSERT_NE(zelk, nullptr);
    EXPECT_TRUE(GetWindowLongW(prev, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(GetWindowLongW(zelk, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(GetWindowLongW(setup, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Positions: as stored, and written again when the mouse passes over a moved window.
    RECT frame{};
    GetWindowRect(setup, &frame);
    EXPECT_EQ(frame.left, 650);
    EXPECT_EQ(frame.top, 20);
    SetWindowPos(prev, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(prev, WM_SETCURSOR, reinterpret_cast<WPARAM>(prev), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(Setting("prev_x"), "40");
    EXPECT_EQ(Setting("prev_y"), "60");
}

TEST_P(OperatorWindows, RussianCaptionsAndPositionsOffEveryMonitor) {
    WriteSetting("setup_x", "5000");
    WriteSetting("setup_y", "-3000");
    // Coordinates not saved take their defaults, each on its own.
    WriteSetting("prev_x", nullptr);
    WriteSetting("prev_y", nullptr);
    WriteSetting("zelk_x", "300");
    WriteSetting("zelk_y", nullptr);
    OpenWindows("UR");
    EXPECT_EQ(TitleOf(setup), L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0438 ZELK-2017");
    EXPECT_EQ(ItemText(setup, IDC_MODE_LABEL), L"\u0412\u0438\u0434 \u0440\u0430\u0431\u043e\u0442\u044b");
    EXPECT_EQ(ItemText(setup, IDC_VIEW_LABEL),
              L"\u041e\u0442\u043e\u0431\u0440\u0430\u0436\u0430\u0442\u044c");
    EXPECT_EQ(ItemText(setup, IDC_VIEW_PREV),
              L"\u041f\u0440\u0435\u0434\u044b\u0434\u0443\u0449\u0438\u0435 QSO");
    EXPECT_EQ(ItemText(setup, IDC_WINDOW_ON_TOP),
              L"\u041f\u043e\u0432\u0435\u0440\u0445 \u043e\u043a\u043e\u043d");
    EXPECT_EQ(ItemText(setup, IDC_VIEW_ZELK), L"ZELK");
    EXPECT_EQ(ItemText(setup, IDC_MODE_CW), L"CW");
    Type("UR5ABC");
    const std::wstring withCall =
        L"ZELK-2017 \u041f\u0440\u0435\u0434\u044b\u0434\u0443\u0449\u0438\u0435 QSO c UR5ABC ";
    EXPECT_EQ(WaitForTitle(prev, withCall, kTimeoutMs), withCall);
    EXPECT_EQ(WaitForTitle(zelk, L"ZELK-2017 ZELK on 80m CW", kTimeoutMs), L"ZELK-2017 ZELK on 80m CW");
    // A stored place on no monitor gives the default place.
    const struct {
        const char* name;
        HWND window;
        LONG x, y;
    } places[] = {{"setup", setup, 10, 400}, {"previous QSOs", prev, 10, 400}, {"districts", zelk, 300, 200}};
    for (const auto& place : places) {
        RECT frame{};
        GetWindowRect(place.window, &frame);
        EXPECT_EQ(frame.left, place.x) << place.name;
        EXPECT_EQ(frame.top, place.y) << place.name;
    }
}

TEST_P(OperatorWindows, ARefreshShowsEarlierQsosTheBandInUseAndTheDistrictsInOrder) {
    OpenWindows("DL");
    // The call on 80m CW twice (the later time must win), on 40m SSB and on 160m BPSK63; and the
    // districts of three other stations on 80m CW, logged out of order.
    for (const auto& q : {Qso("UR5ABC", "80m", 3551000, "CW", 10, 5, "OD04"),
                          Qso("UR1LV", "80m", 3552000, "CW", 10, 7, "LV03"),
                          Qso("UR5ABC", "80m", 3553000, "CW", 10, 40, "OD04"),
                          Qso("UR5ABC", "40m", 7061000, "SSB", 11, 15, "OD04"),
                          Qso("UR5ABC", "160m", 1838000, "BPSK63", 9, 30, "OD04"),
                          Qso("UR2KI", "80m", 3554000, "CW", 10, 9, "KI01"),
                          Qso("UR3CH", "80m", 3555000, "CW", 10, 11, "CH02")})
        ASSERT_EQ(dll.add(q), 1);
    int out = 0;
    dll.getResult(&out);

    const int refreshes = host.callCount(FakeHost::getMode);
    Type("UR5ABC");
    ASSERT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with UR5ABC ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with UR5ABC ");
    ASSERT_TRUE(host.waitForCalls(FakeHost::getMode, refreshes + 1, kTimeoutMs));

    HWND canvas = GetDlgItem(prev, IDC_PREV_CANVAS);
    RECT area{};
    GetClientRect(canvas, &area);
    const int pitch = area.bottom / 7;
    const int row160 = pitch + 10, row80 = 2 * pitch + 10, row40 = 3 * pitch + 10;
    // The refresh repaints once it has the mode.
    EXPECT_TRUE(WaitUntil([&] { return ShowsText(canvas, 100, row80, "10:40", kBandHighlight); }, kTimeoutMs));
    EXPECT_TRUE(ShowsText(canvas, 140, row80, "   -", kBandHighlight));
    EXPECT_TRUE(ShowsText(canvas, 140, row40, "11:15", kCanvasWithCall));
    EXPECT_TRUE(ShowsText(canvas, 260, row160, "09:30", kCanvasWithCall));
    EXPECT_TRUE(ShowsText(canvas, 20, row40, "40m", kCanvasWithCall));
    EXPECT_EQ(CaptureWindow(canvas, RECT{area.right - 4, row80 + 2, area.right - 3, row80 + 3}).at(0, 0),
              kBandHighlight);
    EXPECT_EQ(CaptureWindow(canvas, RECT{area.right - 4, row40 + 2, area.right - 3, row40 + 3}).at(0, 0),
              kCanvasWithCall);

    HWND grid = GetDlgItem(zelk, IDC_ZELK_CANVAS);
    EXPECT_EQ(TitleOf(zelk), L"ZELK-2017 ZELK on 80m CW");
    EXPECT_TRUE(WaitUntil([&] { return ShowsText(grid, 5, 0, "CH02", kBackground); }, kTimeoutMs));
    EXPECT_TRUE(ShowsText(grid, 45, 0, "KI01", kBackground));
    EXPECT_TRUE(ShowsText(grid, 85, 0, "LV03", kBackground));

    // "<SP1>" goes out when the frequency has moved by more than 300 Hz since the last one.
    // A call check asks for a refresh only when none is in flight: keep checking, as typing does.
    // Every refresh reads the frequency; one on a contest band then reads the mode last.
    const auto refreshAt = [&](double hz) {
        host.setFrequency(hz);
        const int asked = host.callCount(FakeHost::getFrequency);
        const int modes = host.callCount(FakeHost::getMode);
        const bool contestBand = hz < 8000000.0;
        return WaitUntil(
            [&] {
                dll.check("UR5ABC", "CW", "UR", "80m", "80m");
                return contestBand ? host.waitForCalls(FakeHost::getMode, modes + 1, 100)
                                   : host.waitForCalls(FakeHost::getFrequency, asked + 1, 100);
            },
            kTimeoutMs);
    };
    const int sp1Before = CountOf(host.macros(), "<SP1>");
    ASSERT_TRUE(refreshAt(3550300.0));
    EXPECT_EQ(CountOf(host.macros(), "<SP1>"), sp1Before);
    ASSERT_TRUE(refreshAt(3550301.0));
    EXPECT_EQ(CountOf(host.macros(), "<SP1>"), sp1Before + 1);
    // Off the contest bands the grid keeps its band and the highlight stays.
    ASSERT_TRUE(refreshAt(14074000.0));
    EXPECT_TRUE(WaitUntil([&] { return CountOf(host.macros(), "<SP1>") == sp1Before + 2; }, kTimeoutMs));
    EXPECT_EQ(TitleOf(zelk), L"ZELK-2017 ZELK on 80m CW");
}

// The host's thread never waits for the windows: while their refresh waits for a host that does not
// answer, a run of keys gets its answers, asks for no refresh of its own, and the windows end on
// the last call typed.
TEST_P(OperatorWindows, KeysTypedWhileARefreshWaitsForTheHostAreAnsweredAndShownByOneMoreRefresh) {
    OpenWindows("DL");
    ASSERT_EQ(dll.add(Qso("UR5ABC", "80m", 3551000, "CW", 10, 40, "OD04")), 1);
    ASSERT_EQ(dll.add(Qso("DL2XYZ", "80m", 3552000, "CW", 10, 45, "017")), 1);
    WaitForQuietHost();
    const int askedBefore = host.callCount(FakeHost::getEntryField);

    host.setBlocked(true);
    host.setEntryField("D");
    dll.check("D", "CW", "DL", "80m", "80m");
    ASSERT_TRUE(host.waitForCallWaiting(kTimeoutMs));
    struct Key {
        const char* call;
        const char* country;
        int answer;
    };
    int keys = 0;
    for (int round = 0; round < 20; ++round)
        for (const Key& key : {Key{"DL2XYZ", "DL", 0}, Key{"DL2XY", "DL", 1}, Key{"UR5AB", "UR", 1},
                               Key{"UR5ABC", "UR", 0}}) {
            host.setEntryField(key.call);
            EXPECT_EQ(dll.check(key.call, "CW", key.country, "80m", "80m"), key.answer) << key.call;
            ++keys;
        }
    host.setBlocked(false);

    HWND canvas = GetDlgItem(prev, IDC_PREV_CANVAS);
    RECT area{};
    GetClientRect(canvas, &area);
    const int row80 = 2 * (area.bottom / 7) + 10;
    EXPECT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with UR5ABC ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with UR5ABC ");
    EXPECT_TRUE(WaitUntil([&] { return ShowsText(canvas, 100, row80, "10:40", kBandHighlight); }, kTimeoutMs));
    // The refresh that waited read the entry field before the keys (a host that took the call and
    // then hung), and the keys it missed bring one more. A gui host took no call before the keys:
    // the refresh that waited for it reads the last key, and no other is needed.
    const int least = guiHost() ? 1 : 2;
    EXPECT_TRUE(host.waitForCalls(FakeHost::getEntryField, askedBefore + least, kTimeoutMs));
    WaitForQuietHost();
    // A third when the data step found the state lock busy and tried again.
    const int asked = host.callCount(FakeHost::getEntryField) - askedBefore;
    EXPECT_GE(asked, least);
    EXPECT_LE(asked, 3) << "for " << keys << " keys";
}

TEST_P(OperatorWindows, AHostModeOutsideTheTableShowsAnEmptyGrid) {
    host.setModeFollowsMacros(false);
    host.setMode("USB");
    OpenWindows("DL");
    ASSERT_EQ(dll.add(Qso("UR2KI", "80m", 3554000, "CW", 10, 9, "KI01")), 1);
    int out = 0;
    dll.getResult(&out);
    Type("UR2KI");
    EXPECT_EQ(WaitForTitle(zelk, L"ZELK-2017 ZELK on 80m USB", kTimeoutMs), L"ZELK-2017 ZELK on 80m USB");
    HWND grid = GetDlgItem(zelk, IDC_ZELK_CANVAS);
    const Pixels shown = CaptureWindow(grid, RECT{0, 0, 120, 20});
    EXPECT_TRUE(
        std::all_of(shown.colors.begin(), shown.colors.end(), [](COLORREF c) { return c == kBackground; }));
}

TEST_P(OperatorWindows, AHostErrorDoesNotStopTheWindowsFollowingTheTypedCalls) {
    OpenWindows("DL");
    host.setFailing(true);
    const int asked = host.callCount(FakeHost::getEntryField);
    Type("UR7QQ");
    // The failing host has answered the refreshes the typing asked for.
    ASSERT_TRUE(host.waitForCalls(FakeHost::getEntryField, asked + 1, kTimeoutMs));
    WaitForQuietHost();
    host.setFailing(false);
    host.setEntryField("UR9ZZ");
    dll.check("UR9ZZ", "CW", "UR", "80m", "80m");
    EXPECT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with UR9ZZ ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with UR9ZZ ");
}

// The refresh follows the first key after a pause at once, and while the operator types on it reads
// the host's entry field at most every 50 ms: a refresh that missed keys is followed by one more,
// which starts 50 ms after it ended. (A key that comes just after a refresh has ended is a first
// key again and is followed at once: the machine may stall the typing for that; the median
// interval tells the pace.)
TEST_P(OperatorWindows, TheFirstKeyAfterAPauseIsFollowedAtOnceAndFastTypingIsReadEvery50MsAtMost) {
    OpenWindows("DL");
    WaitForQuietHost();
    const auto pauseFrom = std::chrono::steady_clock::now();
    WaitUntil([&] { return std::chrono::steady_clock::now() - pauseFrom > std::chrono::milliseconds(200); },
              kTimeoutMs);
    const int before = host.callCount(FakeHost::getEntryField);
    host.setEntryField("UR5");
    const auto firstKey = std::chrono::steady_clock::now();
    dll.check("UR5", "CW", "UR", "80m", "80m");
    ASSERT_TRUE(host.waitForCalls(FakeHost::getEntryField, before + 1, kTimeoutMs));

    // Keys back to back for 600 ms, each with its call check, the host taking its messages between.
    const std::string calls[] = {"UR5A", "UR5AB", "UR5ABC", "UR5AB"};
    std::size_t key = 0;
    const auto typingFrom = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - typingFrom < std::chrono::milliseconds(600)) {
        const std::string& typed = calls[key++ % std::size(calls)];
        host.setEntryField(typed);
        dll.check(typed.c_str(), "CW", "UR", "80m", "80m");
        PumpHostMessages();
    }
    WaitForQuietHost();
    const auto reads = host.callTimes(FakeHost::getEntryField);
    std::printf("first key after a pause read after %.1f ms\n",
                std::chrono::duration<double, std::milli>(reads.at(static_cast<std::size_t>(before)) - firstKey).count());
    ASSERT_GE(reads.size(), static_cast<std::size_t>(before) + 3) << "the typing was followed";
    std::vector<std::chrono::steady_clock::duration> intervals;
    for (std::size_t i = static_cast<std::size_t>(before) + 1; i < reads.size(); ++i) intervals.push_back(reads[i] - reads[i - 1]);
    std::sort(intervals.begin(), intervals.end());
    const auto median = intervals[intervals.size() / 2];
    EXPECT_GE(median, std::chrono::milliseconds(50)) << intervals.size() << " reads for " << key << " keys";
}

// The previous-QSO window's last mode column: a QSO in RTTY shows its time under "RY".
TEST_P(OperatorWindows, APreviousRttyQsoShowsInTheLastColumn) {
    OpenWindows("DL");
    ASSERT_EQ(dll.add(Qso("UR5ABC", "80m", 3585000, "RTTY", 12, 34, "OD04")), 1);
    ASSERT_EQ(dll.add(Qso("UR5ABC", "40m", 7035000, "MFSK", 13, 45, "OD04")), 1);
    Type("UR5ABC");
    ASSERT_EQ(WaitForTitle(prev, L"ZELK-2017 Previous QSO with UR5ABC ", kTimeoutMs),
              L"ZELK-2017 Previous QSO with UR5ABC ");
    HWND canvas = GetDlgItem(prev, IDC_PREV_CANVAS);
    RECT area{};
    GetClientRect(canvas, &area);
    const int pitch = area.bottom / 7;
    const int row80 = 2 * pitch + 10, row40 = 3 * pitch + 10;
    // Columns CW, SSB, MF, PS, PM, PO, QS, QM, QO, RY from x = 100 in steps of 40.
    EXPECT_TRUE(WaitUntil([&] { return ShowsText(canvas, 460, row80, "12:34", kBandHighlight); }, kTimeoutMs));
    EXPECT_TRUE(ShowsText(canvas, 180, row40, "13:45", kCanvasWithCall));
    EXPECT_TRUE(ShowsText(canvas, 420, row80, "   -", kBandHighlight));
}

RUN_WITH_BOTH_HOSTS(OperatorWindows);

}  // namespace
