#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crosscheck/cross_match.h"

namespace {

// 2017-05-05 21:00 as the host's date type.
constexpr double kContestStart = 42860.0 + 21.0 / 24.0;

struct Q {
    std::string call;
    double minute;  // after the start
    std::string sent;
    std::string received;
    std::string band = "80m";
    std::string mode = "CW";
};

CrossLog MakeLog(const std::string& own, const std::vector<Q>& qsos) {
    CrossLog log;
    log.fileName = own + ".cbr";
    log.ownCall = own;
    std::size_t line = 10;
    for (const Q& q : qsos) {
        QsoTexts texts;
        texts.myCall = own;
        texts.call = q.call;
        texts.time.m_dt = kContestStart + q.minute / 1440.0;
        texts.band = q.band;
        texts.mode = q.mode;
        texts.exchSent = q.sent;
        texts.exchReceived = q.received;
        texts.frequencyHz = 3'550'000;
        log.add(texts, line++);
    }
    return log;
}

std::vector<Verdict> VerdictsOf(const std::vector<QsoCheck>& checks) {
    std::vector<Verdict> verdicts;
    for (const QsoCheck& check : checks) verdicts.push_back(check.verdict);
    return verdicts;
}

TEST(CrossMatch, BothRecordsWithinTheWindowMatchAndAWiderGapIsNotInEitherLog) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "7"}, {"DL1ABC", 30, "KI-01", "8", "40m"}}),
        MakeLog("DL1ABC", {{"ut5zz", 4.9, "7", "KI-01"}, {"UT5ZZ", 36, "8", "KI-01", "40m"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::matched, Verdict::notInLog}));
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::matched, Verdict::notInLog}));
    EXPECT_EQ(checks[0][0].partnerLog, 1u);
    EXPECT_EQ(checks[0][0].partnerQso, 0u);

    MatchRules wide;
    wide.windowSeconds = 7 * 60;
    const auto widened = CrossCheck(logs, wide);
    EXPECT_EQ(widened[0][1].verdict, Verdict::matched);
}

TEST(CrossMatch, BandModeAndWholeCallMustAgree) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "1", "80m", "SSB"}, {"DL1ABC", 10, "KI-01", "2", "160m"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "1", "KI-01", "80m", "CW"}, {"UT5ZZ", 10, "2", "KI-01", "40m"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::notInLog, Verdict::notInLog}));
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::notInLog, Verdict::notInLog}));
}

TEST(CrossMatch, EachRecordMatchesOnceNearestFirstAndTheRepeatIsLeftAsADupe) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 10, "KI-01", "5"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 6, "4", "KI-01"}, {"UT5ZZ", 9, "5", "KI-01"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(checks[0][0].verdict, Verdict::matched);
    EXPECT_EQ(checks[0][0].partnerQso, 1u);
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::dupe, Verdict::matched}));
}

struct ExchangeCase {
    const char* received;
    const char* sent;
    bool same;
};

TEST(CrossMatch, ExchangesCompareSerialsAsNumbersAndDistrictsWithoutCase) {
    const ExchangeCase cases[] = {
        {"001", "1", true},         {"12", "012", true},       {"12", "21", false}, {"ki-01", "KI-01", true},
        {" KI-01 ", "KI-01", true}, {"KI-01", "KR-02", false}, {"1A", "1", false},  {"", "1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameExchange(c.received, c.sent), c.same) << c.received << " / " << c.sent;
}

TEST(CrossMatch, AWrongExchangeCostsOnlyTheStationThatCopiedIt) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "008"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 1, "7", "ki-01"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(checks[0][0].verdict, Verdict::bustedExchange);
    EXPECT_EQ(checks[1][0].verdict, Verdict::matched);
    EXPECT_FALSE(KeepsCredit(Verdict::bustedExchange, {}));
    EXPECT_TRUE(KeepsCredit(Verdict::matched, {}));
}

struct SlipCase {
    const char* logged;
    const char* correct;
    CallSlip slip;
};

TEST(CrossMatch, CallSlipsOfOneCharacterOrASuffix) {
    const SlipCase cases[] = {
        {"UR5ABD", "UR5ABC", CallSlip::changed},     {"UR5AC", "UR5ABC", CallSlip::missing},
        {"UR5ABBC", "UR5ABC", CallSlip::extra},      {"UR5BAC", "UR5ABC", CallSlip::swapped},
        {"UR5ABC/P", "UR5ABC", CallSlip::suffix},    {"UR5ABC", "UR5ABC/QRP", CallSlip::suffix},
        {"UR5ABC/M", "UR5ABC/P", CallSlip::changed}, {"UR5XYZ", "UR5ABC", CallSlip::none},
        {"UR5BCA", "UR5ABC", CallSlip::none},        {"UR5ABC", "UR5ABC", CallSlip::none},
        {"5RUABC", "UR5ABC", CallSlip::none},        {"UR5AB", "UR5ABCD", CallSlip::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SlipBetween(c.logged, c.correct), c.slip) << c.logged << " / " << c.correct;
}

TEST(CrossMatch, AnUnmatchedCallOneSlipFromAStationThatLoggedUsIsABustedCall) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABD", 0, "KI-01", "3"}, {"OK2XY/P", 20, "KI-01", "4"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 2, "3", "KI-01"}}),
        MakeLog("OK2XY", {{"UT5ZZ", 21, "4", "KR-02"}}),
        // A station that logged the wrong call as well: a real QSO with DL1ABD would not be taken.
        MakeLog("DL1ABD", {}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::bustedCall, Verdict::bustedCall}));
    EXPECT_EQ(checks[0][0].slip, CallSlip::changed);
    EXPECT_EQ(checks[0][0].partnerLog, 1u);
    EXPECT_EQ(checks[0][1].slip, CallSlip::suffix);
    EXPECT_EQ(checks[1][0].verdict, Verdict::matched);
    EXPECT_EQ(checks[2][0].verdict, Verdict::bustedExchange);

    MatchRules noBusts;
    noBusts.bustedCalls = false;
    const auto strict = CrossCheck(logs, noBusts);
    EXPECT_EQ(VerdictsOf(strict[0]), (std::vector{Verdict::notInLog, Verdict::unique}));
}

TEST(CrossMatch, ACallWithoutALogIsUniqueOnlyWhenNobodyElseLoggedIt) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"SP9QQ", 0, "KI-01", "3"}, {"EA7ZZZ", 5, "KI-01", "9"}}),
        MakeLog("DL1ABC", {{"EA7ZZZ", 40, "1", "4"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::unique, Verdict::notCheckable}));
    EXPECT_EQ(checks[1][0].verdict, Verdict::notCheckable);
    MatchRules removing;
    removing.removeUniques = true;
    EXPECT_TRUE(KeepsCredit(Verdict::unique, {}));
    EXPECT_FALSE(KeepsCredit(Verdict::unique, removing));
    EXPECT_TRUE(KeepsCredit(Verdict::notCheckable, removing));
}

TEST(CrossMatch, AnUnreadableLogTakesNoPart) {
    std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "3"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "3", "KI-01"}}),
    };
    logs[1].unreadable = "neither a Cabrillo nor an ADIF log";
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(checks[0][0].verdict, Verdict::unique);
    EXPECT_TRUE(checks[1].empty());
}

}  // namespace

namespace {

TEST(CrossMatch, WhatThePlugInRejectsIsNeitherMatchedNorMissing) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "1", "20m"},
                          {"DL1ABC", 5, "KI-01", "2", "80m", "FM"},
                          {"DL1ABC", 10, "KI-01", "", "40m"},
                          {"DL1ABC", 15, "KI-01", "4", "80m", "cw"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "1", "KI-01", "20m"},
                           {"UT5ZZ", 10, "3", "KI-01", "40m"},
                           {"UT5ZZ", 15, "4", "KI-01"}}),
    };
    const auto checks = CrossCheck(logs, {});
    // A mode in other letters is the contest's mode to the plug-in's membership test.
    EXPECT_EQ(VerdictsOf(checks[0]),
              (std::vector{Verdict::rejected, Verdict::rejected, Verdict::rejected, Verdict::matched}));
    // DL1ABC's 10-minute QSO has no partner left: UT5ZZ's record of it was rejected.
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::rejected, Verdict::notInLog, Verdict::matched}));
    EXPECT_TRUE(KeepsCredit(Verdict::rejected, {}));
}

}  // namespace

namespace {

// A record outside the period loses its own credit and still confirms its partner's.
TEST(CrossMatch, AQsoOutsideTheGivenPeriodLosesItsCreditAndStillConfirmsThePartner) {
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", -1, "KI-01", "1"},
                          {"DL1ABC", 0, "KI-01", "2", "40m"},
                          {"DL1ABC", 59.5, "KI-01", "3", "160m"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 1, "1", "KI-01"},
                           {"UT5ZZ", 0, "2", "KI-01", "40m"},
                           {"UT5ZZ", 60, "3", "KI-01", "160m"}}),
    };
    MatchRules rules;
    const std::int64_t start = WholeSeconds(OleDateTime{kContestStart});
    rules.periodSeconds = std::pair(start, start + 3600);
    const auto checks = CrossCheck(logs, rules);
    EXPECT_EQ(VerdictsOf(checks[0]),
              (std::vector{Verdict::outsidePeriod, Verdict::matched, Verdict::matched}));
    EXPECT_EQ(VerdictsOf(checks[1]),
              (std::vector{Verdict::matched, Verdict::matched, Verdict::outsidePeriod}));
    EXPECT_EQ(checks[1][0].partnerQso, 0u);
    EXPECT_FALSE(KeepsCredit(Verdict::outsidePeriod, rules));
    // Without a period nothing is outside it.
    EXPECT_EQ(VerdictsOf(CrossCheck(logs, {})[0]),
              (std::vector{Verdict::matched, Verdict::matched, Verdict::matched}));
}

}  // namespace

namespace {

TEST(CrossMatch, ABustedCallIsFoundWhenTheRightStationsRecordIsARepeat) {
    // SP3ABC logged UT5ZY as UT5ZZ at 21:10 and right at 21:40; UT5ZY logged SP3ABC both times.
    const std::vector<CrossLog> logs = {
        MakeLog("SP3ABC", {{"UT5ZZ", 10, "1", "KI-01"}, {"UT5ZY", 40, "2", "KI-01"}}),
        MakeLog("UT5ZY", {{"SP3ABC", 10, "KI-01", "1"}, {"SP3ABC", 40, "KI-01", "2"}}),
        MakeLog("UT5ZZ", {{"DL1ABC", 20, "KR-02", "5"}}),
    };
    const auto checks = CrossCheck(logs, {});
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::bustedCall, Verdict::matched}));
    EXPECT_EQ(checks[0][0].slip, CallSlip::changed);
    EXPECT_EQ(checks[0][0].partnerLog, 1u);
    EXPECT_EQ(checks[0][0].partnerQso, 0u);
    // UT5ZY's first record is the busted call's partner; its second is the plug-in's dupe.
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::matched, Verdict::dupe}));
}

TEST(CrossMatch, ARepeatIsADupeWhetherOneOrBothSidesLoggedIt) {
    const std::vector<CrossLog> bothSides = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "1"}, {"DL1ABC", 30, "KI-01", "2"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "1", "KI-01"}, {"UT5ZZ", 30, "2", "KI-01"}}),
    };
    const auto both = CrossCheck(bothSides, {});
    EXPECT_EQ(VerdictsOf(both[0]), (std::vector{Verdict::matched, Verdict::dupe}));
    EXPECT_EQ(VerdictsOf(both[1]), (std::vector{Verdict::matched, Verdict::dupe}));

    const std::vector<CrossLog> oneSide = {
        MakeLog("UT5ZZ", {{"DL1ABC", 0, "KI-01", "1"}, {"DL1ABC", 30, "KI-01", "2"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "1", "KI-01"}}),
    };
    EXPECT_EQ(VerdictsOf(CrossCheck(oneSide, {})[0]), (std::vector{Verdict::matched, Verdict::dupe}));
}

TEST(CrossMatch, ARecordOutsideThePeriodMakesNoRepeat) {
    // UT5ZZ's 20:59 record has no credit, so its 21:20 one is the first of the period: not in DL1ABC's log.
    const std::vector<CrossLog> logs = {
        MakeLog("UT5ZZ", {{"DL1ABC", -1, "KI-01", "1"}, {"DL1ABC", 20, "KI-01", "2"}}),
        MakeLog("DL1ABC", {{"UT5ZZ", 0, "1", "KI-01"}}),
    };
    MatchRules rules;
    const std::int64_t start = WholeSeconds(OleDateTime{kContestStart});
    rules.periodSeconds = std::pair(start, start + 3600);
    const auto checks = CrossCheck(logs, rules);
    EXPECT_EQ(VerdictsOf(checks[0]), (std::vector{Verdict::outsidePeriod, Verdict::notInLog}));
    EXPECT_EQ(VerdictsOf(checks[1]), (std::vector{Verdict::matched}));
}

}  // namespace
