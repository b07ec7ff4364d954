#include "engine/remove_qso.h"

#include <gtest/gtest.h>

#include "boundary/plugin_calls.h"
#include "engine/add_qso.h"
#include "engine_test_support.h"

namespace {

class RemoveQsoTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareContest(state, files); }

    std::string Add(const TestQso& qso) {
        AddQsoToLog(state, qso.input(), files);
        return FindingLines(files);
    }
    bool Remove(const TestQso& qso) { return RemoveQsoFromLog(state, qso.input(), platform, files); }
    std::string Line(const TestQso& qso, BadQsoReason reason, std::string_view code = {}) {
        return FormatBadQsoLine(qso.input(), reason, code);
    }

    ContestState state;
    FakeFileStore files;
    FakePlatform platform;
};

TestQso At(unsigned hour, unsigned minute, unsigned second = 0, unsigned day = 6) {
    TestQso qso;
    qso.time = MakeOleDate(2017, 5, day, hour, minute, second);
    return qso;
}

TEST_F(RemoveQsoTest, RemovingADupeTakesItsRecordAndLineAndLeavesTheFirstAlone) {
    TestQso first = At(14, 5), second = At(14, 7);
    Add(first);
    Add(second);
    EXPECT_TRUE(Remove(second));
    ASSERT_EQ(state.qsoLog.count(), 1u);
    EXPECT_EQ(state.qsoLog.at(0).m_time.m_dt, first.time.m_dt);
    EXPECT_EQ(state.qsoLog.at(0).m_dupe, 0);
    EXPECT_EQ(files.files[kTestBadQsoFile], kRewrittenHeader);
}

TEST_F(RemoveQsoTest, RemovingTheFirstKeepsTheFlagsAndLineOfTheLaterDupe) {
    TestQso first = At(14, 5), second = At(14, 7);
    Add(first);
    Add(second);
    EXPECT_TRUE(Remove(first));
    ASSERT_EQ(state.qsoLog.count(), 1u);
    EXPECT_EQ(state.qsoLog.at(0).m_dupe, 1);
    EXPECT_EQ(state.qsoLog.at(0).m_notScored, 1);
    EXPECT_EQ(FindingLines(files), Line(second, BadQsoReason::dupe));
}

// The lines of other QSOs that only look alike stay; the removed QSO's own go.
struct PruneCase {
    const char* name;
    void (*other)(TestQso&);
    bool otherLineDropped;
};

class RemovePruneTest : public RemoveQsoTest, public ::testing::WithParamInterface<PruneCase> {};

TEST_P(RemovePruneTest, DropsOnlyTheRemovedQsosLines) {
    TestQso removed = At(14, 5);
    removed.exchReceived = "ZZ99";
    TestQso other = At(14, 5);
    other.exchReceived = "ZZ98";
    GetParam().other(other);
    const std::string removedLines = Add(removed);
    Add(other);
    const std::string otherLines = Add(other).substr(removedLines.size());  // a dupe line as well
    ASSERT_FALSE(otherLines.empty());

    Remove(removed);
    EXPECT_EQ(FindingLines(files), GetParam().otherLineDropped ? "" : otherLines);
}

INSTANTIATE_TEST_SUITE_P(
    Neighbours, RemovePruneTest,
    ::testing::Values(
        PruneCase{"LongerCallContainingTheCall", [](TestQso& q) { q.call = "UR1ABC"; }, false},
        PruneCase{"SameMinuteOtherBand", [](TestQso& q) { q.band = "40m"; q.frequencyHz = 7012000; }, false},
        // Only the frequency tells the bands apart on a line.
        PruneCase{"OtherBandNameSameFrequency", [](TestQso& q) { q.band = "160m"; }, true},
        PruneCase{"SameMinuteOtherMode", [](TestQso& q) { q.mode = "SSB"; }, false},
        PruneCase{"SameMinuteAnotherDay", [](TestQso& q) { q.time = MakeOleDate(2017, 5, 7, 14, 5); }, false},
        PruneCase{"TimeTextInTheExchange",
                  [](TestQso& q) { q.call = "DL1X"; q.time = MakeOleDate(2017, 5, 6, 9, 0); q.exchSent = "1405"; },
                  false},
        PruneCase{"OtherCallAtTheSameMinute", [](TestQso& q) { q.call = "UR9ZZ"; }, false},
        // Same call, band, mode and minute: the lines cannot be told apart, both go.
        PruneCase{"SameQsoOtherSecond", [](TestQso& q) { q.time = MakeOleDate(2017, 5, 6, 14, 5, 40); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The record is matched without the frequency; its lines are found by the frequency it was
// logged with. Without a record only the removal's own frequency is known.
TEST_F(RemoveQsoTest, LinesFollowTheLoggedFrequencyWhenARecordMatched) {
    struct Case {
        const char* name;
        std::string band;  // "20m": rejected, no record
        unsigned removalHz;
        bool linesGo;
    };
    const Case cases[] = {
        {"RecordSameFrequency", "80m", 3521000, true},
        {"RecordOtherFrequency", "80m", 3599000, true},
        {"RecordOtherHzSameKHz", "80m", 3521999, true},
        {"RejectedSameFrequency", "20m", 3521000, true},
        {"RejectedOtherFrequency", "20m", 3599000, false},
    };
    for (const Case& c : cases) {
        PrepareContest(state, files);
        state.qsoLog.clear();
        TestQso first = At(14, 5), logged = At(14, 7);
        first.band = logged.band = c.band;
        first.frequencyHz = 3520000;
        logged.frequencyHz = 3521000;
        logged.exchSent = "002";
        Add(first);
        const std::string before = FindingLines(files);
        const std::string lines = Add(logged).substr(before.size());
        ASSERT_FALSE(lines.empty()) << c.name;
        TestQso removal = logged;
        removal.frequencyHz = c.removalHz;
        Remove(removal);
        EXPECT_EQ(FindingLines(files), c.linesGo ? before : before + lines) << c.name;
    }
}

TEST_F(RemoveQsoTest, LinesOfARejectedQsoGoThoughNoRecordMatched) {
    TestQso rejected = At(10, 0);
    rejected.band = "20m";
    TestQso stored = At(10, 0);
    stored.call = "UR2ZZ";
    Add(stored);
    Add(stored);
    Add(rejected);
    EXPECT_FALSE(Remove(rejected));
    EXPECT_EQ(state.qsoLog.count(), 2u);
    EXPECT_EQ(FindingLines(files), Line(stored, BadQsoReason::dupe));
}

TEST_F(RemoveQsoTest, OtherSecondsMatchNoRecordButTheLinesOfThatMinuteGo) {
    TestQso first = At(14, 5), dupe = At(14, 5, 20);
    Add(first);
    Add(dupe);
    EXPECT_FALSE(Remove(At(14, 5, 21)));
    EXPECT_EQ(state.qsoLog.count(), 2u);
    EXPECT_EQ(FindingLines(files), "");
}

TEST_F(RemoveQsoTest, AtMostOneRecordPerCall) {
    Add(At(14, 5));
    Add(At(14, 5));
    Add(At(14, 5));
    EXPECT_TRUE(Remove(At(14, 5)));
    EXPECT_EQ(state.qsoLog.count(), 2u);
    EXPECT_EQ(state.qsoLog.at(0).m_dupe, 1);  // the first record went
}

TEST_F(RemoveQsoTest, DistrictsWorkedEmptiedOnlyWhenTheLogIsEmpty) {
    Add(At(14, 5));
    Add(At(14, 6));
    state.workedDistricts[1][0] = {"KV05"};
    state.workedDistricts[5][9] = {"LV01"};
    Remove(At(14, 5));
    EXPECT_EQ(state.workedDistricts[1][0], std::vector<std::string>{"KV05"});
    Remove(At(14, 6));
    for (const auto& band : state.workedDistricts)
        for (const auto& districts : band) EXPECT_TRUE(districts.empty());
    EXPECT_EQ(files.files[kTestBadQsoFile], kRewrittenHeader);
}

TEST_F(RemoveQsoTest, RemovingFromAnEmptyLogStillEmptiesTheDistrictsWorked) {
    state.workedDistricts[0][0] = {"KV05"};
    Remove(At(14, 5));
    EXPECT_TRUE(state.workedDistricts[0][0].empty());
}

TEST_F(RemoveQsoTest, BandsWorkedStay) {
    Add(At(14, 5));
    Remove(At(14, 5));
    EXPECT_EQ(state.bandsWorked, std::vector<std::string>{"80m"});
}

TEST_F(RemoveQsoTest, RefreshPostedOnlyWhileTheSetupWindowIsOpen) {
    Remove(At(14, 5));
    EXPECT_EQ(platform.refreshPosts, 0);
    platform.windowOpen = true;
    Remove(At(14, 5));
    Remove(At(14, 5));
    EXPECT_EQ(platform.refreshPosts, 2);  // no one-in-flight rule for removals
}

TEST_F(RemoveQsoTest, AMissingFileIsRecreatedWithTheHeader) {
    Add(At(14, 5));
    files.files.erase(kTestBadQsoFile);
    Remove(At(14, 5));
    EXPECT_EQ(files.files[kTestBadQsoFile], kRewrittenHeader);
}

TEST_F(RemoveQsoTest, AFailedRewriteLeavesTheOldFileAndStillRemovesTheRecord) {
    Add(At(14, 5));
    Add(At(14, 6));
    const std::string before = files.files[kTestBadQsoFile];
    files.writesBeforeFailure = files.writes;
    platform.windowOpen = true;
    EXPECT_TRUE(Remove(At(14, 6)));
    EXPECT_EQ(state.qsoLog.count(), 1u);
    EXPECT_EQ(files.files[kTestBadQsoFile], before);
    EXPECT_EQ(platform.refreshPosts, 1);
}

TEST_F(RemoveQsoTest, BeforeTheFirstResetNoFileIsWritten) {
    ContestState fresh;
    FakeFileStore untouched;
    AddQsoToLog(fresh, At(14, 5).input(), untouched);
    EXPECT_TRUE(RemoveQsoFromLog(fresh, At(14, 5).input(), platform, untouched));
    EXPECT_TRUE(fresh.qsoLog.empty());
    EXPECT_TRUE(untouched.files.empty());
}

TEST_F(RemoveQsoTest, TheExportAnswersOneWhetherOrNotARecordWent) {
    PluginState plugin;
    PrepareContest(plugin.contest, files);
    QsoInput args;
    args.call = "UR1AB";
    args.band = "80m";
    args.mode = "CW";
    args.exchSent = "001";
    args.exchReceived = "KV05";
    args.country = "UR";
    args.time = MakeOleDate(2017, 5, 6, 14, 5);
    EXPECT_EQ(AddQso(plugin, args, files), 1);
    EXPECT_EQ(RemoveQso(plugin, args, platform, files), 1);
    EXPECT_TRUE(plugin.contest.qsoLog.empty());
    EXPECT_EQ(RemoveQso(plugin, args, platform, files), 1);
}

}  // namespace
