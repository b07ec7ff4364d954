#include "bench/soak/latency_table.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

namespace {

TEST(LatencyTable, NearestRankPercentiles) {
    struct Case {
        std::vector<std::int64_t> nanos;
        LatencySummary expected;
    };
    std::vector<std::int64_t> thousand(1000);
    std::iota(thousand.begin(), thousand.end(), 1);  // 1 .. 1000
    std::vector<std::int64_t> thousandAndOne = thousand;
    thousandAndOne.push_back(5'000'000);  // one slow call in 1,001
    const Case cases[] = {
        {{}, {0, 0, 0, 0}},
        {{42}, {1, 42, 42, 42}},
        {{30, 10, 20}, {3, 20, 30, 30}},
        {{4, 1, 3, 2}, {4, 2, 4, 4}},
        {thousand, {1000, 500, 999, 1000}},
        {thousandAndOne, {1001, 501, 1000, 5'000'000}},
    };
    for (const Case& c : cases) {
        const LatencySummary s = Summarise(c.nanos);
        EXPECT_EQ(s.calls, c.expected.calls);
        EXPECT_EQ(s.p50, c.expected.p50) << c.nanos.size();
        EXPECT_EQ(s.p999, c.expected.p999) << c.nanos.size();
        EXPECT_EQ(s.max, c.expected.max) << c.nanos.size();
    }
}

TEST(LatencyTable, RunsSideBySideInMicroseconds) {
    std::stringstream handedIn;
    WriteSummaries(handedIn, {{"AddData0", {10, 2600, 1'096'300, 2'229'800}}, {"GetResult0", {2, 1'000, 9'000, 12'500}}});
    const auto closed = ReadSummaries(handedIn);
    std::ostringstream table;
    PrintSideBySide(table, {"AddData0", "GetResult0", "RemoveData0"},
                    {{"windows closed", closed}, {"windows open", {{"AddData0", {7, 3300, 848'500, 1'206'300}}}}});
    EXPECT_EQ(table.str(),
              "                | windows closed                             | windows open                               \n"
              "export          |     calls     p50 us   p99.9 us     max us |     calls     p50 us   p99.9 us     max us \n"
              "AddData0        |        10        2.6     1096.3     2229.8 |         7        3.3      848.5     1206.3 \n"
              "GetResult0      |         2        1.0        9.0       12.5 |         0        0.0        0.0        0.0 \n"
              "RemoveData0     |         0        0.0        0.0        0.0 |         0        0.0        0.0        0.0 \n");
}

}  // namespace
