#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

// The time of one record of a QSO, for pairing records of two logs.
struct TimedRecord {
    std::int64_t seconds = 0;
    bool hasSeconds = true;  // false: the log gave "hhmm", which stands for the whole minute
};

// Time apart of two records at the precision both have: a time logged as "hhmm" stands for the
// whole minute, so beside it the other time counts by its minute too.
std::int64_t TimeApart(const TimedRecord& a, const TimedRecord& b);

// Pairs the records of one station with those of its partner, nearest in time first: as if every
// pair at most `window` apart were sorted by (time apart, index in `mine`, index in `theirs`) and
// taken in turn when neither record is taken yet. Both lists are sorted by seconds. The pairs come
// back in the order they were taken. Each record keeps only its nearest free partner in a heap,
// so runs of n records cost n log n where all pairs would cost n².
std::vector<std::pair<std::size_t, std::size_t>> PairNearestFirst(std::span<const TimedRecord> mine,
                                                                  std::span<const TimedRecord> theirs,
                                                                  std::int64_t window);
