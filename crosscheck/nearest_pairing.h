#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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

// The records of one run (sorted by seconds), those not yet taken found nearest to a time: the
// nearest by TimeApart, the first of equals. Each query and each take costs about log n.
class FreeTimes {
public:
    explicit FreeTimes(std::span<const TimedRecord> records);
    ~FreeTimes();
    FreeTimes(FreeTimes&&) noexcept;
    FreeTimes& operator=(FreeTimes&&) noexcept;

    // (time apart, index in the run) of the free record nearest to `time`; nothing when all are taken.
    std::optional<std::pair<std::int64_t, std::size_t>> nearest(const TimedRecord& time);
    void take(std::size_t index);

private:
    class OfOnePrecision;
    std::unique_ptr<OfOnePrecision> m_withSeconds, m_byMinute;
};

// Pairs the records of one station with those of its partner, nearest in time first: as if every
// pair at most `window` apart were sorted by (time apart, index in `mine`, index in `theirs`) and
// taken in turn when neither record is taken yet. Both lists are sorted by seconds. The pairs come
// back in the order they were taken. Each record keeps only its nearest free partner in a heap,
// so runs of n records cost n log n where all pairs would cost n².
std::vector<std::pair<std::size_t, std::size_t>> PairNearestFirst(std::span<const TimedRecord> mine,
                                                                  std::span<const TimedRecord> theirs,
                                                                  std::int64_t window);
