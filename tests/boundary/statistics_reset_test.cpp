#include "boundary/statistics_reset.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace {

class StatisticsResetTest : public ::testing::Test {
protected:
    PluginState state;
    FakePlatform platform;
    FakeFileStore files;

    ResetArguments Args(std::string_view prefix = "C:\\Host\\Vexl", int cabrillo = 0,
                        std::string_view own = "DL") {
        ResetArguments args;
        args.hostIniPrefix = prefix;
        args.cabrilloRequest = cabrillo;
        args.myCall = "UT1AA";
        args.contestStart = MakeOleDate(2017, 5, 5, 21, 0);
        args.contestEnd = MakeOleDate(2017, 5, 6, 3, 0);
        args.ownCountryPrefix = own;
        return args;
    }
    void Reset(const ResetArguments& args) { RunStatisticsReset(state, args, platform, files); }
};

TEST_F(StatisticsResetTest, FormatsDatesAndStartsAFreshContest) {
    state.contest.qsoLog.append(CInfo{});
    state.contest.bandsWorked = {"80m"};
    state.contest.prevRows[1] = {"80m", "12:00"};
    Reset(Args());

    EXPECT_EQ(state.contestStart, "05.05");
    EXPECT_EQ(state.contestYear, "2017");
    EXPECT_EQ(state.contestEnd, "06.05.2017");
    EXPECT_EQ(state.myCall, "UT1AA");
    EXPECT_EQ(state.contest.qsoLog.count(), 0u);
    EXPECT_TRUE(state.contest.bandsWorked.empty());
    const std::vector<std::string> row80 = {"80m", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"};
    EXPECT_EQ(state.contest.prevRows[1], row80);
    EXPECT_EQ(state.contest.prevRows[0][0], "160m");
    EXPECT_EQ(state.contest.prevRows[2][0], "40m");
    EXPECT_EQ(state.contest.badQsoFileName, "BadQSO_StatsZELK_06_05_2017.txt");
    EXPECT_EQ(files.files["BadQSO_StatsZELK_06_05_2017.txt"], "ZELK TEST UBN file \r\n");
}

TEST_F(StatisticsResetTest, HostVersionFromTheListedHostIni) {
    struct Case {
        std::vector<std::string> listed;
        std::optional<std::string> iniText;
        std::string before, expected;
    };
    const Case cases[] = {
        {{}, "Vexl=2.20\r\n", "old", "Vexl"},                          // nothing matches the prefix
        {{"Other.ini"}, "Vexl=2.20\r\n", "old", "Vexl"},               // no listed name holds it
        {{"a.ini", "Vexl2.ini"}, "[x]\r\nVexl=2.19\r\nVexl=3\r\n", "old", "2.19"},
        {{"MyVexl2.ini.bak.ini"}, "Vexl=2.20", "old", "2.20"},         // name contains it; no line end
        {{"Vexl2.ini"}, "xVexl=2.20\r\n", "old", "=2.20"},             // first five characters dropped
        {{"Vexl2.ini"}, "[x]\r\n", "old", "old"},                      // no "Vexl=" line
        {{"Vexl2.ini"}, std::nullopt, "old", "old"},                   // listed but unreadable
    };
    for (const auto& c : cases) {
        platform.listedFiles = c.listed;
        files.files.erase("Vexl2.ini");
        if (c.iniText) files.files["Vexl2.ini"] = *c.iniText;
        state.hostVersion = c.before;
        Reset(Args());
        EXPECT_EQ(state.hostVersion, c.expected) << ::testing::PrintToString(c.listed);
    }
    EXPECT_EQ(platform.listPatterns.back(), "C:\\Host\\Vexl*.ini");
}

TEST_F(StatisticsResetTest, StartSwitchStartsTheWindowThreadEveryOtherReset) {
    Reset(Args());
    EXPECT_EQ(platform.threadStarts, 1);
    EXPECT_EQ(platform.settings["Start"], "1");

    Reset(Args());
    EXPECT_EQ(platform.threadStarts, 1);
    EXPECT_EQ(platform.settings["Start"], "0");

    // The thread still runs: nothing changes.
    Reset(Args());
    EXPECT_EQ(platform.threadStarts, 1);
    EXPECT_EQ(platform.settings["Start"], "0");

    platform.windowOpen = false;  // the operator closed the setup window
    Reset(Args());
    EXPECT_EQ(platform.threadStarts, 2);
    EXPECT_EQ(platform.settings["Start"], "1");
}

TEST_F(StatisticsResetTest, ExportRequestRunsTheDialogAndStartsNoThread) {
    Reset(Args("", 1));
    EXPECT_EQ(platform.dialogRuns, 1);
    EXPECT_EQ(state.cabrilloRequested, 1);
    EXPECT_EQ(platform.threadStarts, 0);
    EXPECT_EQ(platform.settings["Start"], "0");

    platform.dialogAnswer = false;
    Reset(Args("", 1));
    EXPECT_EQ(platform.settings["Start"], "0");
    EXPECT_EQ(platform.threadStarts, 0);

    Reset(Args("", 0));
    EXPECT_EQ(state.cabrilloRequested, 0);
    EXPECT_EQ(platform.dialogRuns, 2);
}

TEST_F(StatisticsResetTest, RussianInterfaceOnlyEverSwitchesOn) {
    Reset(Args("", 0, "ua"));
    EXPECT_EQ(state.russianUi, 0);
    Reset(Args("", 0, "UA2/f"));
    EXPECT_EQ(state.russianUi, 1);
    Reset(Args("", 0, "DL"));
    EXPECT_EQ(state.russianUi, 1);
}

TEST_F(StatisticsResetTest, DistrictListReloadedEveryReset) {
    files.files[kDistrictFilePath] = "KI-01 Kyiv\r\nLV-02\r\n";
    Reset(Args());
    EXPECT_TRUE(state.contest.districtList.loaded());
    EXPECT_EQ(state.contest.districtList.codes(), (std::vector<std::string>{"KI01", "LV02"}));
    files.files.erase(kDistrictFilePath);
    Reset(Args());
    EXPECT_FALSE(state.contest.districtList.loaded());
    EXPECT_TRUE(state.contest.districtList.codes().empty());
}

TEST_F(StatisticsResetTest, UnwritableBadQsoFileDoesNotStopTheReset) {
    files.writesBeforeFailure = 0;
    Reset(Args());
    EXPECT_EQ(files.files.count("BadQSO_StatsZELK_06_05_2017.txt"), 0u);
    EXPECT_EQ(state.contest.badQsoFileName, "BadQSO_StatsZELK_06_05_2017.txt");
}

}  // namespace
