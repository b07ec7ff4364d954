// The results of the real DLL: duplicates and bad QSOs counted apart, a score past 32 bits written
// whole wherever it goes, and district codes upper-cased in the system's ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "resources/resource_ids.h"
#include "support/dll_under_test.h"
#include "support/scratch_folder.h"
#include "support/window_finder.h"

namespace {

constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";
constexpr const char* kFreshBadQsoFile = "ZELK TEST UBN file \r\n";
constexpr int kStations = 50000;

// A reset that leaves the window thread alone: the one-shot switch says it was started already.
void Reset(DllUnderTest& dll) {
    WriteWholeFile("Plugins\\ZELK.ini", "[Settings]\r\nStart=1\r\n");
    ASSERT_EQ(dll.reset(), 1);
}

std::string Setting(const char* key) {
    char value[64] = "";
    GetPrivateProfileStringA("Settings", key, "<none>", value, sizeof value, ".\\Plugins\\ZELK.ini");
    return value;
}


// Station `n` of the big contest: its own call, code, minute and frequency.
struct Station {
    std::string call, code;
    stats_api::Qso qso;

    explicit Station(int n) : call("UR"), code("D") {
        call.append(std::to_string(n)).append("Q");
        code.append(std::to_string(n));
        qso.myCall = "UT1AA";
        qso.call = call.c_str();
        qso.time = MakeOleDate(2017, 5, 5, 12 + n / 3600 % 12, n / 60 % 60);
        qso.frequencyHz = 3500000 + static_cast<unsigned>(n % 90) * 1000;
        qso.mode = "CW";
        qso.rstSent = "599";
        qso.rstReceived = "579";
        qso.exchSent = "001";
        qso.exchReceived = code.c_str();
        qso.country = "UR";
        qso.band = "80m";
    }
};

void AddStations(DllUnderTest& dll) {
    for (int n = 0; n < kStations; ++n) {
        Station station(n);
        if (dll.add(station.qso) != 1) FAIL() << "station " << n << " was not stored";
    }
}

TEST(Scoring, ThreeQsosWithOneStationAreTwoDupesAndNoBadQso) {
    ScratchFolder folder;
    DllUnderTest dll;
    Reset(dll);
    struct Copy { unsigned hz; int minute; const char* rstSent; const char* rstReceived; const char* exchSent; };
    for (const Copy& c : {Copy{3521000, 5, "599", "579", "001"}, Copy{3522000, 9, "589", "569", "002"},
                          Copy{3523000, 14, "579", "559", "003"}}) {
        stats_api::Qso qso;
        qso.myCall = "UT1AA";
        qso.call = "UR5AB";
        qso.time = MakeOleDate(2017, 5, 5, 20, c.minute);
        qso.frequencyHz = c.hz;
        qso.mode = "CW";
        qso.rstSent = c.rstSent;
        qso.rstReceived = c.rstReceived;
        qso.exchSent = c.exchSent;
        qso.exchReceived = "KI";
        qso.country = "UR";
        qso.band = "80m";
        ASSERT_EQ(dll.add(qso), 1);
    }

    const std::string text = dll.getResult(nullptr);
    EXPECT_TRUE(text.ends_with("Total\t 1\t 1\t 1\t 1\t 0\t 0\r\nDupe\t 2\r\nBad QSO\t 0\r\n"
                               "Score:\t 1 *  1 = 1\r\n"))
        << text;
}

// Without a district list every code counts. 50,000 stations with codes of their own score
// 50,000 times 50,000, which the summary, the ini, the header dialog and the Cabrillo header give
// in full.
TEST(Scoring, FiftyThousandDistinctCodesGiveTheWholeScore) {
    ScratchFolder folder;
    DllUnderTest dll;
    Reset(dll);
    AddStations(dll);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const std::string text = dll.getResult(nullptr);
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    RecordProperty("GetResult0_ms", std::to_string(ms));
    std::printf("GetResult0 with %d distinct codes: %.1f ms\n", kStations, ms);

    EXPECT_TRUE(text.ends_with("Total\t 50000\t 50000\t 50000\t 50000\t 0\t 0\r\nDupe\t 0\r\nBad QSO\t 0\r\n"
                               "Score:\t 50000 *  50000 = 2500000000\r\n"))
        << text;
    EXPECT_EQ(Setting("Claimed"), "2500000000");

    // The export replays the log; the header dialog offers the claimed score as stored.
    WritePrivateProfileStringA("Settings", "Start", "1", ".\\Plugins\\ZELK.ini");
    std::string claimedShown;
    ASSERT_TRUE(WithDialog(
        "ZELK CONTEST", [&] { EXPECT_EQ(dll.reset("UT1AA", 1), 1); },
        [&](HWND dialog) {
            claimedShown = ControlText(dialog, IDC_CABRILLO_CLAIMED);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }));
    EXPECT_EQ(claimedShown, "2500000000");
    AddStations(dll);

    int out = 0;
    EXPECT_TRUE(WithDialog(
        "Output", [&] { dll.getResult(&out); },
        [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }));
    EXPECT_EQ(out, -1);
    const std::string file = ReadWholeFile("UT1AA.cbr");
    EXPECT_NE(file.find("CATEGORY: A-CW\r\nCLAIMED-SCORE: 2500000000\r\nCLUB: "), std::string::npos)
        << file.substr(0, 300);
}

// A list entry with a letter beyond ASCII matches its lower-case form. Both letters are taken from
// the code page the system uses (0xE9 is a small letter, 0xC9 its capital in 1250, 1251 and 1252).
TEST(Scoring, DistrictCodesAreUpperCasedInTheAnsiCodePage) {
    const UINT codePage = GetACP();
    if (codePage != 1250 && codePage != 1251 && codePage != 1252) GTEST_SKIP() << "code page " << codePage;

    ScratchFolder folder;
    DllUnderTest dll;
    WriteWholeFile("Plugins\\zelk.txt", "\xC9V-05 first\r\nKV-07 second\r\n");
    Reset(dll);
    struct Sent { const char* call; const char* exchange; int minute; };
    for (const Sent& s : {Sent{"UR5AB", "\xE9v05", 5}, Sent{"UR6CD", " kv07", 6}, Sent{"UR7EF", "\xC9V05", 7}}) {
        stats_api::Qso qso;
        qso.myCall = "UT1AA";
        qso.call = s.call;
        qso.time = MakeOleDate(2017, 5, 5, 21, s.minute);
        qso.frequencyHz = 7010000 + static_cast<unsigned>(s.minute) * 1000;
        qso.mode = "SSB";
        qso.rstSent = "59";
        qso.rstReceived = "57";
        qso.exchSent = "001";
        qso.exchReceived = s.exchange;
        qso.country = "UR";
        qso.band = "40m";
        ASSERT_EQ(dll.add(qso), 1);
    }

    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kFreshBadQsoFile);
    const std::string text = dll.getResult(nullptr);
    EXPECT_NE(text.find("40m\t 3\t 2\t 3\t 0\t 3\t 0\r\n"), std::string::npos) << text;
}

}  // namespace
