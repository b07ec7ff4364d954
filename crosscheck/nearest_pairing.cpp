#include "crosscheck/nearest_pairing.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <queue>
#include <tuple>

namespace {

std::int64_t Minute(std::int64_t seconds) { return seconds >= 0 ? seconds / 60 : (seconds - 59) / 60; }

enum class Metric { seconds, minutes };

}  // namespace

// The free records of one precision among `theirs`, in their order, found nearest to a time.
class FreeTimes::OfOnePrecision {
public:
    OfOnePrecision(std::span<const TimedRecord> theirs, bool withSeconds) {
        for (std::size_t j = 0; j < theirs.size(); ++j)
            if (theirs[j].hasSeconds == withSeconds) {
                m_positions.push_back(j);
                m_seconds.push_back(theirs[j].seconds);
                m_minutes.push_back(Minute(theirs[j].seconds));
            }
        const std::size_t n = m_positions.size();
        m_nextFree.resize(n + 1);
        m_previousFree.resize(n + 1);
        for (std::size_t k = 0; k <= n; ++k) m_nextFree[k] = m_previousFree[k] = k;
        m_slot.assign(theirs.size(), n);
        for (std::size_t k = 0; k < n; ++k) m_slot[m_positions[k]] = k;
        m_secondsBlock.resize(n);
        m_minutesBlock.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            m_secondsBlock[k] = k > 0 && m_seconds[k] == m_seconds[k - 1] ? m_secondsBlock[k - 1] : k;
            m_minutesBlock[k] = k > 0 && m_minutes[k] == m_minutes[k - 1] ? m_minutesBlock[k - 1] : k;
        }
    }

    bool holds(std::size_t j) const { return m_slot[j] < m_positions.size(); }

    void take(std::size_t j) {
        const std::size_t k = m_slot[j];
        m_nextFree[k] = k + 1;
        m_previousFree[k + 1] = k;
    }

    // The free record nearest to `time` by the metric, the first of equals: (time apart, index).
    std::optional<std::pair<std::int64_t, std::size_t>> nearest(std::int64_t time, Metric metric) {
        const std::vector<std::int64_t>& keys = metric == Metric::seconds ? m_seconds : m_minutes;
        const std::vector<std::size_t>& blocks = metric == Metric::seconds ? m_secondsBlock : m_minutesBlock;
        const std::int64_t unit = metric == Metric::seconds ? 1 : 60;
        const std::size_t n = m_positions.size();
        const std::size_t at = static_cast<std::size_t>(std::lower_bound(keys.begin(), keys.end(), time) - keys.begin());
        std::optional<std::pair<std::int64_t, std::size_t>> best;
        // Before `at`: the last free record, then the first free one of its equals.
        if (const std::size_t before = previousFree(at); before > 0) {
            const std::size_t k = nextFree(blocks[before - 1]);
            best = std::pair{(time - keys[k]) * unit, m_positions[k]};
        }
        if (const std::size_t k = nextFree(at); k < n) {
            const std::pair candidate{(keys[k] - time) * unit, m_positions[k]};
            if (!best || candidate < *best) best = candidate;
        }
        return best;
    }

private:
    // The first free slot at or after k (n when none).
    std::size_t nextFree(std::size_t k) {
        std::size_t root = k;
        while (m_nextFree[root] != root) root = m_nextFree[root];
        while (m_nextFree[k] != root) k = std::exchange(m_nextFree[k], root);
        return root;
    }
    // One more than the last free slot before k (0 when none).
    std::size_t previousFree(std::size_t k) {
        std::size_t root = k;
        while (m_previousFree[root] != root) root = m_previousFree[root];
        while (m_previousFree[k] != root) k = std::exchange(m_previousFree[k], root);
        return root;
    }

    std::vector<std::size_t> m_positions;  // index in `theirs`
    std::vector<std::int64_t> m_seconds, m_minutes;
    std::vector<std::size_t> m_secondsBlock, m_minutesBlock;  // first slot with the same key
    std::vector<std::size_t> m_nextFree, m_previousFree;
    std::vector<std::size_t> m_slot;  // by index in `theirs`
};

FreeTimes::FreeTimes(std::span<const TimedRecord> records)
    : m_withSeconds(std::make_unique<OfOnePrecision>(records, true)),
      m_byMinute(std::make_unique<OfOnePrecision>(records, false)) {}
FreeTimes::~FreeTimes() = default;
FreeTimes::FreeTimes(FreeTimes&&) noexcept = default;
FreeTimes& FreeTimes::operator=(FreeTimes&&) noexcept = default;

std::optional<std::pair<std::int64_t, std::size_t>> FreeTimes::nearest(const TimedRecord& record) {
    const auto exact = record.hasSeconds ? m_withSeconds->nearest(record.seconds, Metric::seconds)
                                         : m_withSeconds->nearest(Minute(record.seconds), Metric::minutes);
    const auto rough = m_byMinute->nearest(Minute(record.seconds), Metric::minutes);
    if (!exact) return rough;
    if (!rough) return exact;
    return std::min(*exact, *rough);
}

void FreeTimes::take(std::size_t index) { (m_withSeconds->holds(index) ? m_withSeconds : m_byMinute)->take(index); }

std::int64_t TimeApart(const TimedRecord& a, const TimedRecord& b) {
    if (a.hasSeconds && b.hasSeconds) return std::llabs(a.seconds - b.seconds);
    return std::llabs(Minute(a.seconds) - Minute(b.seconds)) * 60;
}

std::vector<std::pair<std::size_t, std::size_t>> PairNearestFirst(std::span<const TimedRecord> mine,
                                                                  std::span<const TimedRecord> theirs,
                                                                  std::int64_t window) {
    FreeTimes free(theirs);
    std::vector<bool> taken(theirs.size(), false);
    using Candidate = std::tuple<std::int64_t, std::size_t, std::size_t>;  // time apart, mine, theirs
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
    const auto offer = [&](std::size_t i) {
        if (const auto found = free.nearest(mine[i]); found && found->first <= window)
            queue.emplace(found->first, i, found->second);
    };
    for (std::size_t i = 0; i < mine.size(); ++i) offer(i);

    // A record's nearest free partner only moves away as others are taken: when the one it holds
    // is still free, no pair left is nearer.
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    while (!queue.empty()) {
        const auto [apart, i, j] = queue.top();
        queue.pop();
        if (taken[j]) {
            offer(i);
            continue;
        }
        taken[j] = true;
        free.take(j);
        pairs.emplace_back(i, j);
    }
    return pairs;
}
