#include "engine/qso_log.h"

#include <gtest/gtest.h>

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

}  // namespace
