#include "engine/call_check.h"

#include <gtest/gtest.h>

#include "boundary/plugin_calls.h"
#include "engine/add_qso.h"
#include "engine_test_support.h"

namespace {

// The log holds UR1AB on 80m CW, logged twice (the second a dupe), and UR2ZZ on 40m SSB with an
// unknown district.
class CallCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareContest(state, files);
        TestQso qso;
        AddQsoToLog(state, qso.input(), files);
        AddQsoToLog(state, qso.input(), files);
        qso.call = "UR2ZZ";
        qso.band = "40m";
        qso.mode = "SSB";
        qso.exchReceived = "ZZ99";
        AddQsoToLog(state, qso.input(), files);
    }

    ContestState state;
    FakeFileStore files;
};

struct CheckCase {
    const char* name;
    const char* call;
    const char* mode;
    const char* country;
    std::optional<std::string_view> band;
    std::optional<std::string_view> band2;
    int answer;        // for any host
    int answerOldHost; // for a "2.19" or "2.20" host
};

class CallCheckMatrix : public CallCheckTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CallCheckMatrix, AnswersForEveryHostGeneration) {
    const auto& c = GetParam();
    const CallCheckQuery query{c.call, c.mode, c.country, c.band, c.band2};
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "Vexl", query), c.answer);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "2.21", query), c.answer);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "2.19 ", query), c.answer);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "2.19", query), c.answerOldHost);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "2.20", query), c.answerOldHost);
}

using B = std::optional<std::string_view>;

INSTANTIATE_TEST_SUITE_P(
    Cases, CallCheckMatrix,
    ::testing::Values(
        CheckCase{"Logged", "UR1AB", "CW", "UR", B("80m"), B("80m"), 0, 0},
        CheckCase{"LoggedWithBadDistrict", "UR2ZZ", "SSB", "UR", B("40m"), B("40m"), 0, 0},
        CheckCase{"SecondBandTextAbsent", "UR1AB", "CW", "UR", B("80m"), B(), 0, 0},
        CheckCase{"BandTextsDifferOnlyInCase", "UR1AB", "CW", "UR", B("80m"), B("80M"), 0, 0},
        CheckCase{"OtherMode", "UR1AB", "SSB", "UR", B("80m"), B("80m"), 1, 1},
        CheckCase{"OtherBand", "UR1AB", "CW", "UR", B("40m"), B("40m"), 1, 1},
        CheckCase{"LongerCall", "UR1ABC", "CW", "UR", B("80m"), B("80m"), 1, 1},
        CheckCase{"CallInOtherCase", "ur1ab", "CW", "UR", B("80m"), B("80m"), 1, 1},
        CheckCase{"ModeInOtherCasePassesButMatchesNothing", "UR1AB", "cw", "UR", B("80m"), B("80m"), 1, 1},
        CheckCase{"BandInOtherCasePassesButMatchesNothing", "UR1AB", "CW", "UR", B("80M"), B("80m"), 1, 1},
        CheckCase{"NoCountryPrefix", "UR1AB", "CW", "", B("80m"), B("80m"), 1, 1},
        CheckCase{"ForeignStationLogged", "UR1AB", "CW", "DL", B("80m"), B("80m"), 0, 0},
        CheckCase{"BandTextsDisagree", "UR1AB", "CW", "UR", B("80m"), B("40m"), 4, 1},
        CheckCase{"BandOutsideContest", "UR1AB", "CW", "UR", B("20m"), B("20m"), 4, 1},
        CheckCase{"BandAbsent", "UR1AB", "CW", "UR", B(), B("80m"), 4, 1},
        CheckCase{"ModeOutsideContest", "UR1AB", "AM", "UR", B("80m"), B("80m"), 4, 1},
        CheckCase{"ModeBeforeCountry", "UR1AB", "AM", "", B("80m"), B("80m"), 4, 1},
        CheckCase{"UnknownCallOnContestBand", "DL1X", "RTTY", "DL", B("160m"), B("160m"), 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CallCheckTest, AnswersFollowRemovalsFromTheIndex) {
    const CallCheckQuery query{"UR1AB", "CW", "UR", B("80m"), B("80m")};
    state.qsoLog.removeAt(0);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "Vexl", query), 0);
    state.qsoLog.removeAt(0);
    EXPECT_EQ(CallCheckAnswer(state.qsoLog, "Vexl", query), 1);
}

TEST(RefreshRequestTest, AtMostOneInFlightAndNoneWithoutTheWindow) {
    FakePlatform platform;
    std::int32_t ready = 1;
    RequestWindowRefresh(ready, platform);
    EXPECT_EQ(platform.refreshPosts, 0);
    EXPECT_EQ(ready, 1);

    platform.windowOpen = true;
    RequestWindowRefresh(ready, platform);
    RequestWindowRefresh(ready, platform);
    EXPECT_EQ(platform.refreshPosts, 1);
    EXPECT_EQ(ready, 0);
    // The second is not posted, but the window learns that one more refresh is wanted.
    EXPECT_EQ(platform.refreshesAskedWhileBusy, 1);

    ready = 1;  // the window's refresh has finished
    RequestWindowRefresh(ready, platform);
    EXPECT_EQ(platform.refreshPosts, 2);
}

TEST(RefreshRequestTest, TheExportAsksForARefreshWhateverItAnswers) {
    PluginState plugin;
    plugin.hostVersion = "Vexl";
    FakePlatform platform;
    platform.windowOpen = true;
    CallCheckQuery args;
    args.call = "DL1X";
    args.mode = "AM";
    args.band = "80m";
    EXPECT_EQ(CheckCall(plugin, args, platform), 4);
    EXPECT_EQ(platform.refreshPosts, 1);
    EXPECT_EQ(plugin.refreshReady, 0);
}

struct ExchangeCase {
    const char* exchange;
    const char* country;
    int valid;
};

class ExchangeTest : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(ExchangeTest, HasTheContestsForm) {
    EXPECT_EQ(IsValidExchange(GetParam().exchange, GetParam().country), GetParam().valid)
        << GetParam().exchange << " from " << GetParam().country;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ExchangeTest,
    ::testing::Values(ExchangeCase{"599", "DL", 0}, ExchangeCase{"599", "UR", 0}, ExchangeCase{"599", "", 0},
                      ExchangeCase{"0599", "DL", 1}, ExchangeCase{"123", "DL", 1}, ExchangeCase{"001", "", 1},
                      ExchangeCase{"12", "DL", 0}, ExchangeCase{"12345", "DL", 0}, ExchangeCase{"12a", "DL", 0},
                      ExchangeCase{" 123", "DL", 0}, ExchangeCase{"", "DL", 0}, ExchangeCase{"AB12", "DL", 0},
                      ExchangeCase{"AB12", "UR", 1}, ExchangeCase{"ab12", "UR", 1}, ExchangeCase{"A123", "UR", 0},
                      ExchangeCase{"ABC1", "UR", 0}, ExchangeCase{"AB1C", "UR", 0}, ExchangeCase{"AB1", "UR", 0}, ExchangeCase{"AB123", "UR", 0},
                      ExchangeCase{"1234", "UR", 0}, ExchangeCase{"AB12", "ur", 0}, ExchangeCase{"1234", "ur", 1},
                      ExchangeCase{"\xc0\xc1" "12", "UR", 0}, ExchangeCase{"\xb3" "23", "DL", 0}));

}  // namespace
