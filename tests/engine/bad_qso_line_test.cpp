#include "engine/bad_qso_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine_test_support.h"

namespace {

TEST(BadQsoLineTest, GoldenLinesForEveryReason) {
    TestQso qso;
    qso.frequencyHz = 7012999;
    qso.band = "40m";
    const std::string start = "QSO:  7012  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579  KV05";
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::wrongBand), start + "   WRONG BAND !!!\r\n");
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::wrongMode), start + "   WRONG MODE !!!\r\n");
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::noExchange), start + "   NO RX NUMBER !!!\r\n");
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::dupe), start + "   DUPE !!!\r\n");
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::unknownDistrict, "KV05"),
              start + "  KV05  ZELK Code Area is not acceptable !!!\r\n");
}

TEST(BadQsoLineTest, HostTextsAreWrittenUnchangedAndEmptyFieldsKeepTheirSeparators) {
    TestQso qso;
    qso.frequencyHz = 999;
    qso.mode = "cw";
    qso.rstSent = "";
    qso.exchSent = "";
    qso.exchReceived = " kv 05 ";
    EXPECT_EQ(FormatBadQsoLine(qso.input(), BadQsoReason::unknownDistrict, "KV 05"),
              "QSO:  0  cw  2017-05-06 1405  UR5AA      UR1AB  579   kv 05   KV 05"
              "  ZELK Code Area is not acceptable !!!\r\n");
}

TEST(BadQsoLineTest, NullAndInvalidDateTimesFormatAsTheDateObjectDoes) {
    EXPECT_EQ(BadQsoDateTime(OleDateTime{1.0, OleDateTime::null}), "");
    EXPECT_EQ(BadQsoDateTime(OleDateTime{1.0, OleDateTime::invalid}), "Invalid DateTime");
    EXPECT_EQ(BadQsoDateTime(MakeOleDate(2017, 5, 6, 0, 0)), "2017-05-06 0000");
}

// The removed QSO is UR1AB, 80m CW, 3520 kHz, 6 May 2017 14:05. Each row is a finding line of
// some QSO and whether removal must treat it as the removed QSO's own line.
struct LineCase {
    const char* name;
    TestQso lineQso;
    BadQsoReason reason;
    bool belongs;
};

TestQso With(void (*change)(TestQso&)) {
    TestQso qso;
    change(qso);
    return qso;
}

class FindingLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(FindingLineTest, RecognisesOnlyTheQsosOwnLines) {
    const TestQso removed;
    const auto& c = GetParam();
    std::string line = FormatBadQsoLine(c.lineQso.input(), c.reason, "KV05");
    line.resize(line.size() - 2);
    EXPECT_EQ(IsFindingLineOf(line, BadQsoLineKeyOf(removed.input())), c.belongs);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FindingLineTest,
    ::testing::Values(
        LineCase{"SameQsoDupe", TestQso{}, BadQsoReason::dupe, true},
        LineCase{"SameQsoDistrict", TestQso{}, BadQsoReason::unknownDistrict, true},
        LineCase{"SameQsoWrongBand", With([](TestQso&) {}), BadQsoReason::wrongBand, true},
        LineCase{"OtherSecondSameMinute", With([](TestQso& q) { q.time = MakeOleDate(2017, 5, 6, 14, 5, 30); }),
                 BadQsoReason::dupe, true},
        LineCase{"FrequencyWithinTheSameKilohertz", With([](TestQso& q) { q.frequencyHz = 3520999; }),
                 BadQsoReason::dupe, true},
        LineCase{"LongerCallContainingTheCall", With([](TestQso& q) { q.call = "UR1ABC"; }), BadQsoReason::dupe, false},
        LineCase{"PortableCallContainingTheCall", With([](TestQso& q) { q.call = "UR1AB/P"; }), BadQsoReason::dupe,
                 false},
        LineCase{"ShorterCallInsideTheCall", With([](TestQso& q) { q.call = "R1AB"; }), BadQsoReason::dupe, false},
        LineCase{"SameMinuteAnotherDay", With([](TestQso& q) { q.time = MakeOleDate(2017, 5, 7, 14, 5); }),
                 BadQsoReason::dupe, false},
        LineCase{"AnotherMinute", With([](TestQso& q) { q.time = MakeOleDate(2017, 5, 6, 14, 6); }),
                 BadQsoReason::dupe, false},
        LineCase{"OtherBandSameMinute", With([](TestQso& q) { q.band = "40m"; q.frequencyHz = 7012000; }),
                 BadQsoReason::dupe, false},
        LineCase{"OtherMode", With([](TestQso& q) { q.mode = "SSB"; }), BadQsoReason::dupe, false},
        LineCase{"ModeInOtherCase", With([](TestQso& q) { q.mode = "cw"; }), BadQsoReason::dupe, false},
        LineCase{"OtherKilohertz", With([](TestQso& q) { q.frequencyHz = 3521000; }), BadQsoReason::dupe, false},
        LineCase{"CallAsSentExchange", With([](TestQso& q) { q.call = "DL1X"; q.exchSent = "UR1AB"; }),
                 BadQsoReason::dupe, false},
        LineCase{"CallAsReceivedRst", With([](TestQso& q) { q.call = "DL1X"; q.rstReceived = "UR1AB"; }),
                 BadQsoReason::dupe, false},
        LineCase{"CallAsReceivedExchangeOfDistrictLine",
                 With([](TestQso& q) { q.call = "DL1X"; q.exchReceived = "UR1AB"; }),
                 BadQsoReason::unknownDistrict, false},
        LineCase{"CallAsOwnCall", With([](TestQso& q) { q.call = "DL1X"; q.myCall = "UR1AB"; }),
                 BadQsoReason::dupe, false},
        LineCase{"TimeTextInAnExchange", With([](TestQso& q) { q.call = "DL1X"; q.exchReceived = "1405"; }),
                 BadQsoReason::dupe, false},
        LineCase{"EmptySentFields", With([](TestQso& q) { q.rstSent = ""; q.exchSent = ""; }),
                 BadQsoReason::noExchange, true},
        LineCase{"EmptyReceivedFields", With([](TestQso& q) { q.rstReceived = ""; q.exchReceived = ""; }),
                 BadQsoReason::noExchange, true},
        LineCase{"BlanksInsideTexts", With([](TestQso& q) { q.exchSent = "0  1 "; q.exchReceived = "  kv  05 "; }),
                 BadQsoReason::unknownDistrict, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindingLineTest, WrongModeLinesMatchOnTheModeAsSent) {
    TestQso qso;
    qso.mode = "AM  WIDE";
    auto key = BadQsoLineKeyOf(qso.input());
    std::string line = FormatBadQsoLine(qso.input(), BadQsoReason::wrongMode);
    EXPECT_TRUE(IsFindingLineOf(line.substr(0, line.size() - 2), key));
    qso.mode = "AM";
    EXPECT_FALSE(IsFindingLineOf(line.substr(0, line.size() - 2), BadQsoLineKeyOf(qso.input())));
}

TEST(FindingLineTest, LinesWithoutTheFindingLayoutAreNeverTheQsos) {
    const TestQso removed;
    const auto key = BadQsoLineKeyOf(removed.input());
    const std::string good = "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579  KV05   DUPE !!!";
    ASSERT_TRUE(IsFindingLineOf(good, key));
    for (const std::string& line : std::vector<std::string>{
             "",
             std::string(kBadQsoHeader),
             good.substr(0, good.size() - 1),                                   // reason cut short
             "QSO:  3520  CW  2017-05-06 1405  UR1AB   DUPE !!!",               // too few fields
             "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579   DUPE !!!",
             " " + good,
             "QSO: 3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579  KV05   DUPE !!!",
         })
        EXPECT_FALSE(IsFindingLineOf(line, key)) << line;
}

}  // namespace
