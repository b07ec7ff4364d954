// The pairing of two runs' records nearest first against its plain form: every pair within the
// window sorted by (time apart, mine, theirs) and taken while both records are free.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "crosscheck/nearest_pairing.h"

namespace {

using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

Pairs AllPairsSorted(const std::vector<TimedRecord>& mine, const std::vector<TimedRecord>& theirs, std::int64_t window) {
    std::vector<std::tuple<std::int64_t, std::size_t, std::size_t>> all;
    for (std::size_t i = 0; i < mine.size(); ++i)
        for (std::size_t j = 0; j < theirs.size(); ++j)
            if (const std::int64_t apart = TimeApart(mine[i], theirs[j]); apart <= window) all.emplace_back(apart, i, j);
    std::sort(all.begin(), all.end());
    std::vector<bool> mineTaken(mine.size()), theirsTaken(theirs.size());
    Pairs pairs;
    for (const auto& [apart, i, j] : all) {
        if (mineTaken[i] || theirsTaken[j]) continue;
        mineTaken[i] = theirsTaken[j] = true;
        pairs.emplace_back(i, j);
    }
    return pairs;
}

std::vector<TimedRecord> RandomRun(std::mt19937& random, std::size_t size, std::int64_t spread, int shareWithoutSeconds) {
    std::vector<TimedRecord> run(size);
    for (TimedRecord& record : run) {
        record.seconds = 86'400 + static_cast<std::int64_t>(random() % static_cast<std::uint32_t>(spread)) - spread / 2;
        record.hasSeconds = static_cast<int>(random() % 100) >= shareWithoutSeconds;
        if (!record.hasSeconds) record.seconds -= ((record.seconds % 60) + 60) % 60;
    }
    std::sort(run.begin(), run.end(), [](const TimedRecord& a, const TimedRecord& b) { return a.seconds < b.seconds; });
    return run;
}

// Many equal times and distances, both precisions, runs of unequal length, small and wide windows.
TEST(NearestPairing, TakesThePairsThatSortingAllPairsTakes) {
    struct Case {
        const char* name;
        std::size_t mine, theirs;
        std::int64_t spread, window;
        int shareWithoutSeconds;
    } cases[] = {
        {"one time for all", 40, 30, 1, 300, 0},
        {"few times, seconds", 60, 60, 5, 2, 0},
        {"few minutes, no seconds", 60, 50, 300, 120, 100},
        {"mixed precision", 50, 70, 900, 180, 40},
        {"wide spread, narrow window", 80, 80, 7200, 60, 20},
        {"one side empty of pairs", 10, 10, 100000, 0, 50},
    };
    std::mt19937 random(2017);
    for (const Case& c : cases)
        for (int round = 0; round < 50; ++round) {
            SCOPED_TRACE(c.name);
            const auto mine = RandomRun(random, 1 + random() % c.mine, c.spread, c.shareWithoutSeconds);
            const auto theirs = RandomRun(random, 1 + random() % c.theirs, c.spread, c.shareWithoutSeconds);
            ASSERT_EQ(PairNearestFirst(mine, theirs, c.window), AllPairsSorted(mine, theirs, c.window)) << "round " << round;
        }
}

}  // namespace
