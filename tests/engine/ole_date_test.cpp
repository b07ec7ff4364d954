#include "engine/ole_date.h"

#include <gtest/gtest.h>

namespace {

OleDateTime At(double dt, std::int32_t status = OleDateTime::valid) { return OleDateTime{dt, status}; }

struct FormatCase {
    double dt;
    const char* format;
    const char* expected;
};

class FormatOleDateTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatOleDateTest, FormatsLikeStrftime) {
    const auto& c = GetParam();
    EXPECT_EQ(FormatOleDate(At(c.dt), c.format), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, FormatOleDateTest,
    ::testing::Values(
        FormatCase{42860.0, "%d.%m", "05.05"},                      // 5 May 2017
        FormatCase{42860.0, "%Y", "2017"},
        FormatCase{42861.0, "%d.%m.%Y", "06.05.2017"},
        FormatCase{42861.0, "%d_%m_%Y", "06_05_2017"},
        FormatCase{42860.0 + 14.0 / 24 + 5.0 / 1440, "%Y-%m-%d %H%M", "2017-05-05 1405"},
        FormatCase{42860.0 + 14.0 / 24 + 5.0 / 1440, "%H:%M", "14:05"},
        FormatCase{42860.999999, "%Y-%m-%d %H%M%S", "2017-05-06 000000"},  // rounds to the second
        FormatCase{0.0, "%d.%m.%Y %H%M", "30.12.1899 0000"},
        FormatCase{1.5, "%d.%m.%Y %H%M", "31.12.1899 1200"},
        FormatCase{-1.25, "%d.%m.%Y %H%M", "29.12.1899 0600"},      // fraction runs forward
        FormatCase{-36522.0, "%d.%m.%Y", "01.01.1800"},
        FormatCase{-657434.0, "%d.%m.%Y", "01.01.100"},
        FormatCase{2958465.5, "%d.%m.%Y %H%M", "31.12.9999 1200"},
        FormatCase{42860.0, "%j %y %% %Q", "125 17 % %Q"}));

TEST(FormatOleDate, StatusAndRangeDecideTheText) {
    EXPECT_EQ(FormatOleDate(At(42860.0, OleDateTime::invalid), "%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatOleDate(At(42860.0, OleDateTime::null), "%Y"), "");
    EXPECT_EQ(FormatOleDate(At(42860.0, 7), "%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatOleDate(At(2958466.0), "%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatOleDate(At(-657435.0), "%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatOleDate(At(std::numeric_limits<double>::quiet_NaN()), "%Y"), "Invalid DateTime");
}

TEST(MakeOleDate, RoundTripsThroughTheFormatter) {
    EXPECT_EQ(MakeOleDate(2017, 5, 5).m_dt, 42860.0);
    EXPECT_EQ(FormatOleDate(MakeOleDate(2017, 5, 3, 14, 5), "%Y-%m-%d %H%M"), "2017-05-03 1405");
    EXPECT_EQ(FormatOleDate(MakeOleDate(1899, 12, 29, 6, 0), "%d.%m.%Y %H%M"), "29.12.1899 0600");
    EXPECT_EQ(FormatOleDate(MakeOleDate(1850, 2, 28, 23, 59, 59), "%d.%m.%Y %H%M%S"), "28.02.1850 235959");
}

TEST(SameDateTime, FollowsTheStatusRules) {
    EXPECT_TRUE(SameDateTime(At(1.5), At(1.5)));
    EXPECT_FALSE(SameDateTime(At(1.5), At(1.5 + 1.0 / 86400)));  // a second apart
    EXPECT_TRUE(SameDateTime(At(1.0, OleDateTime::null), At(99.0, OleDateTime::null)));
    EXPECT_FALSE(SameDateTime(At(1.0, OleDateTime::invalid), At(1.0, OleDateTime::invalid)));
    EXPECT_FALSE(SameDateTime(At(1.0), At(1.0, OleDateTime::null)));
}

}  // namespace
