#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "boundary/plugin_calls.h"
#include "qso_records.h"
#include "support/fakes.h"

namespace {

constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";

class ResultsCall : public ::testing::Test {
protected:
    ResultsCall() {
        state.myCall = "UT1AA";
        state.contestStart = "05.05";
        state.contestEnd = "06.05.2017";
        state.hostVersion = "2.20";
        state.contest.badQsoFileName = kBadQsoFile;
        files.files[kBadQsoFile] = "ZELK TEST UBN file \r\n";
        state.cabrilloLog.m_callsign = "UT1AA";
        state.cabrilloLog.m_fileBaseName = "UT1AA";
        state.cabrilloLog.m_category = "A-CW";
    }

    void Log(CInfo record) {
        if (std::find(state.contest.bandsWorked.begin(), state.contest.bandsWorked.end(),
                      record.m_band) == state.contest.bandsWorked.end()) {
            state.contest.bandsWorked.push_back(record.m_band);
        }
        state.contest.qsoLog.append(std::move(record));
    }

    PluginState state;
    FakePlatform platform;
    FakeFileStore files;
};

TEST_F(ResultsCall, WithoutExportTheTextHasItsFootAndOutIsUntouched) {
    Log(ScoredQso("UR5AB", "80m", "CW", "KI"));
    Log(ScoredQso("UR5AC", "80m", "SSB", "KI"));
    int out = 7;

    std::string text = ProduceResults(state, &out, platform, files);

    EXPECT_TRUE(text.ends_with("Total\t 2\t 2\t 2\t 1\t 1\t 0\r\nDupe\t 0\r\nBad QSO\t 0\r\nScore:\t 2 *  2 = 4\r\n"));
    EXPECT_EQ(out, 7);
    EXPECT_EQ(state.claimedScore, 4);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(files.files.count("UT1AA.cbr"), 0u);
}

TEST_F(ResultsCall, ClaimedIsWrittenOnEveryCall) {
    ProduceResults(state, nullptr, platform, files);
    EXPECT_EQ(platform.settings["Claimed"], "0");

    Log(ScoredQso("UR5AB", "80m", "CW", "KI"));
    Log(ScoredQso("UR5AC", "40m", "CW", "OD"));
    Log(ScoredQso("DL1ABC", "40m", "SSB"));
    ProduceResults(state, nullptr, platform, files);
    EXPECT_EQ(platform.settings["Claimed"], "6");

    state.htmlResults = 1;
    platform.settings.erase("Claimed");
    ProduceResults(state, nullptr, platform, files);
    EXPECT_EQ(platform.settings["Claimed"], "6");
}

TEST_F(ResultsCall, HtmlWhenTheHostAskedForIt) {
    state.htmlResults = 1;
    std::string html = ProduceResults(state, nullptr, platform, files);
    EXPECT_TRUE(html.starts_with("<html><head>"));
    EXPECT_TRUE(html.ends_with("</table></body></html>"));
}

TEST_F(ResultsCall, ExportWritesTheFileAndTellsTheOperator) {
    state.cabrilloRequested = 1;
    Log(ScoredQso("UR5AB", "40m", "CW", "KI"));
    Log(DupeQso("UR5AB", "40m", "CW"));
    files.files[kBadQsoFile] += "QSO:  7012  CW  2017-05-05 2005  UT1AA  599  001  UR5AB  599  KI   DUPE !!!\r\n";
    const std::string expectedFile =
        "START-OF-LOG: 2.0\r\nARRL-SECTION: DX\r\nCALLSIGN: UT1AA\r\nCONTEST: ZELK\r\n"
        "CATEGORY: A-CW\r\nCLAIMED-SCORE: 1\r\nCLUB: \r\nCREATED-BY: Vexl 2.20\r\nNAME: \r\n"
        "ADDRESS: \r\nOPERATORS: \r\nEMAIL: \r\nSOAPBOX: \r\n"
        "QSO:  7012 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 KI\r\n"
        "QSO:  7012 CW 2017-05-05 2005 UT1AA         599 001    UR5AB         599 15\r\n"
        "END-OF-LOG:\r\n";

    for (int call = 1; call <= 2; ++call) {
        int out = 0;
        std::string text = ProduceResults(state, &out, platform, files);

        EXPECT_TRUE(text.ends_with("Total\t 1\t 1\t 1\t 1\t 0\t 0\r\n")) << "no foot during an export";
        EXPECT_EQ(out, -1);
        EXPECT_EQ(files.files["UT1AA.cbr"], expectedFile);
        ASSERT_EQ(platform.messages.size(), static_cast<std::size_t>(call));
        EXPECT_EQ(platform.messages.back().first, "File produced: UT1AA.cbr");
        EXPECT_EQ(platform.messages.back().second, "Output");
    }
    ProduceResults(state, nullptr, platform, files);  // a null out is not written to
}

TEST_F(ResultsCall, ExportThatCannotBeWrittenSaysSo) {
    state.cabrilloRequested = 1;
    state.cabrilloLog.m_fileBaseName = "NEMB";
    Log(ScoredQso("UR5AB", "40m", "CW", "KI"));
    files.writesBeforeFailure = 0;
    int out = 0;

    ProduceResults(state, &out, platform, files);

    EXPECT_EQ(out, -1);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].first, "Cabrillo file could not be written: NEMB.cbr");
    EXPECT_EQ(platform.messages[0].second, "Output");
    EXPECT_EQ(files.files.count("NEMB.cbr"), 0u);
    EXPECT_EQ(platform.settings["Claimed"], "1");
}

// Without a district list every code counts: 50,000 stations with codes of their own give a score
// past 32 bits, written whole in the summaries, the ini and the Cabrillo header. The district
// table keeps the codes in log order.
TEST_F(ResultsCall, ScoreOfFiftyThousandDistinctCodesIsWrittenInFull) {
    constexpr int kStations = 50000;
    for (int i = 0; i < kStations; ++i)
        Log(ScoredQso("UR" + std::to_string(i), "80m", "CW", "C" + std::to_string(kStations - i)));

    std::string text = ProduceResults(state, nullptr, platform, files);
    EXPECT_TRUE(text.ends_with("Total\t 50000\t 50000\t 50000\t 50000\t 0\t 0\r\nDupe\t 0\r\nBad QSO\t 0\r\n"
                               "Score:\t 50000 *  50000 = 2500000000\r\n"))
        << text.substr(text.size() - 120);
    EXPECT_EQ(state.claimedScore, 2500000000);
    EXPECT_EQ(platform.settings["Claimed"], "2500000000");
    const auto& cell = state.contest.workedDistricts[1][0];
    ASSERT_EQ(cell.size(), 50000u);
    EXPECT_EQ(cell.front(), "C50000");
    EXPECT_EQ(cell[1], "C49999");
    EXPECT_EQ(cell.back(), "C1");

    state.htmlResults = 1;
    state.cabrilloRequested = 1;
    std::string html = ProduceResults(state, nullptr, platform, files);
    EXPECT_NE(html.find("<center>50000 *  50000 = 2500000000</center>"), std::string::npos);
    EXPECT_NE(files.files["UT1AA.cbr"].find("CATEGORY: A-CW\r\nCLAIMED-SCORE: 2500000000\r\nCLUB: "),
              std::string::npos);
}

TEST_F(ResultsCall, UnreadableBadQsoFileCountsAsNoLines) {
    Log(ScoredQso("DL1ABC", "80m", "CW"));
    state.contest.badQsoFileName = "missing.txt";
    std::string text = ProduceResults(state, nullptr, platform, files);
    EXPECT_NE(text.find("Bad QSO\t 0\r\n"), std::string::npos);
}

}  // namespace
