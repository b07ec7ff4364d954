#include "engine/qso_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

namespace {

CInfo Record(const char* call, const char* band, const char* mode, OleDateTime time = {}) {
    CInfo record;
    record.m_call = call;
    record.m_band = band;
    record.m_mode = mode;
    record.m_time = time;
    return record;
}

OleDateTime At(double dt, std::int32_t status = OleDateTime::valid) { return OleDateTime{dt, status}; }

TEST(QsoLogTest, CountMatchingIsExactOnCallBandAndMode) {
    QsoLog log;
    log.append(Record("UR1AB", "80m", "CW"));
    log.append(Record("UR1AB", "80m", "CW"));
    log.append(Record("UR1AB", "40m", "CW"));
    log.append(Record("UR1AB", "80m", "SSB"));
    log.append(Record("UR1ABC", "80m", "CW"));

    EXPECT_EQ(log.countMatching("UR1AB", "80m", "CW"), 2u);
    EXPECT_EQ(log.countMatching("UR1AB", "40m", "CW"), 1u);
    EXPECT_EQ(log.countMatching("UR1AB", "80m", "cw"), 0u);
    EXPECT_EQ(log.countMatching("UR1AB", "80M", "CW"), 0u);
    EXPECT_EQ(log.countMatching("ur1ab", "80m", "CW"), 0u);
    EXPECT_EQ(log.countMatching("UR1A", "80m", "CW"), 0u);
    // The index key must not let texts run into each other.
    EXPECT_EQ(log.countMatching("UR1AB8", "0m", "CW"), 0u);
}

struct RemovalCase {
    const char* name;
    OleDateTime stored;
    OleDateTime wanted;
    bool matches;
};

class RemovalMatchTest : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalMatchTest, ComparesStatusAndDate) {
    QsoLog log;
    log.append(Record("UR1AB", "80m", "CW", GetParam().stored));
    EXPECT_EQ(log.findRemovalMatch("UR1AB", "80m", "CW", GetParam().wanted).has_value(), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    DateTimes, RemovalMatchTest,
    ::testing::Values(RemovalCase{"SameValue", At(42861.5), At(42861.5), true},
                      RemovalCase{"OneSecondApart", MakeOleDate(2017, 5, 6, 14, 5, 0),
                                  MakeOleDate(2017, 5, 6, 14, 5, 1), false},
                      RemovalCase{"NullsWithDifferentDates", At(1.0, OleDateTime::null),
                                  At(2.0, OleDateTime::null), true},
                      RemovalCase{"InvalidNeverEqual", At(1.0, OleDateTime::invalid),
                                  At(1.0, OleDateTime::invalid), false},
                      RemovalCase{"ValidAgainstNull", At(1.0), At(1.0, OleDateTime::null), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QsoLogTest, RemovalMatchTakesTheRecordWithTheDateTimeNotTheFirstByCall) {
    QsoLog log;
    log.append(Record("UR1AB", "80m", "CW", At(1.0)));
    log.append(Record("UR1AB", "80m", "CW", At(2.0)));
    log.append(Record("UR1AB", "80m", "CW", At(2.0)));
    EXPECT_EQ(log.findRemovalMatch("UR1AB", "80m", "CW", At(2.0)), 1u);
    EXPECT_EQ(log.findRemovalMatch("UR1AB", "40m", "CW", At(2.0)), std::nullopt);
}

TEST(QsoLogTest, LookupsFollowRemovalsAndPositionsShift) {
    QsoLog log;
    log.append(Record("A", "80m", "CW", At(1.0)));
    log.append(Record("B", "80m", "CW", At(2.0)));
    log.append(Record("A", "40m", "CW", At(3.0)));
    log.append(Record("A", "80m", "CW", At(4.0)));

    log.removeAt(1);
    EXPECT_EQ(log.indexesOfCall("A"), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(log.indexesOfCall("B").empty());
    EXPECT_EQ(log.findRemovalMatch("A", "80m", "CW", At(4.0)), 2u);

    log.removeAt(0);
    EXPECT_EQ(log.countMatching("A", "80m", "CW"), 1u);
    EXPECT_EQ(log.findRemovalMatch("A", "80m", "CW", At(4.0)), 1u);
    EXPECT_EQ(log.at(1).m_time.m_dt, 4.0);

    log.append(Record("B", "80m", "CW", At(5.0)));
    EXPECT_EQ(log.indexesOfCall("B"), (std::vector<std::size_t>{2}));

    log.clear();
    EXPECT_EQ(log.countMatching("A", "40m", "CW"), 0u);
    EXPECT_TRUE(log.indexesOfCall("A").empty());
    EXPECT_THROW(log.at(0), std::out_of_range);
}

// Removals at the front, in the middle and at the end, mixed with appends: every record's
// position found through the indexes must be its place in a plain vector.
TEST(QsoLogTest, IndexedPositionsMatchAPlainVectorAfterRemovalsAnywhere) {
    const char* const calls[] = {"UR1A", "UR1AB", "DL1X", "K1ABC"};
    const char* const bands[] = {"160m", "80m"};
    std::mt19937 rng(7);
    QsoLog log;
    std::vector<CInfo> plain;
    double clock = 0.0;
    for (int step = 0; step < 4000; ++step) {
        const unsigned op = rng() % 10;
        if (op < 6 || plain.empty()) {
            CInfo record = Record(calls[rng() % 4], bands[rng() % 2], "CW", At(clock += 1.0));
            plain.push_back(record);
            log.append(record);
        } else {
            const std::size_t where = op == 6 ? 0 : op == 7 ? plain.size() - 1 : rng() % plain.size();
            plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(where));
            log.removeAt(where);
        }
        const CInfo& probe = plain[rng() % plain.size()];
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < plain.size(); ++i)
            if (plain[i].m_call == probe.m_call) expected.push_back(i);
        ASSERT_EQ(log.indexesOfCall(probe.m_call), expected) << "step " << step;
        const auto wanted = std::find_if(plain.begin(), plain.end(), [&](const CInfo& r) {
            return r.m_call == probe.m_call && r.m_band == probe.m_band && r.m_time.m_dt == probe.m_time.m_dt;
        });
        ASSERT_EQ(log.findRemovalMatch(probe.m_call, probe.m_band, "CW", probe.m_time),
                  static_cast<std::size_t>(wanted - plain.begin()))
            << "step " << step;
    }
}

TEST(QsoLogTest, ForEachOfCallVisitsTheCallsRecordsInLogOrder) {
    QsoLog log;
    log.append(Record("UR1AB", "80m", "CW", At(1.0)));
    log.append(Record("DL1X", "80m", "CW", At(2.0)));
    log.append(Record("UR1AB", "40m", "SSB", At(3.0)));
    log.append(Record("UR1AB", "160m", "RTTY", At(4.0)));
    log.removeAt(0);

    std::vector<std::pair<std::size_t, double>> seen;
    log.forEachOfCall("UR1AB", [&](std::size_t index, const CInfo& record) {
        seen.emplace_back(index, record.m_time.m_dt);
    });
    EXPECT_EQ(seen, (std::vector<std::pair<std::size_t, double>>{{1, 3.0}, {2, 4.0}}));
    log.forEachOfCall("ur1ab", [&](std::size_t, const CInfo&) { ADD_FAILURE() << "case-blind match"; });
}

// A call, band and mode longer than the stack buffer of the index key still match exactly.
TEST(QsoLogTest, LongTextsMatchExactly) {
    const std::string longCall(70, 'A');
    QsoLog log;
    log.append(Record(longCall.c_str(), "80m", "CW"));
    EXPECT_EQ(log.countMatching(longCall, "80m", "CW"), 1u);
    EXPECT_EQ(log.countMatching(longCall + "A", "80m", "CW"), 0u);
    EXPECT_EQ(log.countMatching(longCall, "80m", "CWX"), 0u);
}

// The summaries carry each record's own band, mode and date-time, also after a removal moved
// records up and after a clear started the band and mode texts afresh.
TEST(QsoLogTest, SummariesOfACallFollowRemovalsAndClear) {
    using Seen = std::vector<std::tuple<std::string, std::string, double>>;
    auto summaries = [](const QsoLog& log, std::string_view call) {
        Seen seen;
        log.forEachSummaryOfCall(call, [&](const QsoLog::Summary& s) {
            seen.emplace_back(std::string(s.band), std::string(s.mode), s.time.m_dt);
        });
        return seen;
    };
    QsoLog log;
    log.append(Record("UR1AB", "80m", "CW", At(1.0)));
    log.append(Record("UR1AB", "40m", "SSB", At(2.0)));
    log.append(Record("DL1X", "160m", "RTTY", At(3.0)));
    log.append(Record("UR1AB", "160m", "BPSK31", At(4.0)));
    log.removeAt(1);
    EXPECT_EQ(summaries(log, "UR1AB"), (Seen{{"80m", "CW", 1.0}, {"160m", "BPSK31", 4.0}}));
    EXPECT_EQ(summaries(log, "DL1X"), (Seen{{"160m", "RTTY", 3.0}}));

    log.clear();
    log.append(Record("UR1AB", "80M", "cw", At(5.0)));
    log.append(Record("UR1AB", "80m", "CW", At(6.0)));
    EXPECT_EQ(summaries(log, "UR1AB"), (Seen{{"80M", "cw", 5.0}, {"80m", "CW", 6.0}}));
    EXPECT_TRUE(summaries(log, "DL1X").empty());
}

}  // namespace
