#include "reports/contest_score.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include <boost/unordered/unordered_flat_set.hpp>

namespace {

std::string PaddedBandName(const std::string& band) {
    constexpr std::size_t kWidth = 20;
    return band.size() >= kWidth ? band : std::string(kWidth - band.size(), '0') + band;
}

// The host's alias names count like the modes they stand for.
std::optional<int> ScoringColumn(std::string_view mode) {
    if (mode == "BPSK62") mode = "BPSK63";
    if (mode == "QPSK62") mode = "QPSK63";
    return ModeColumn(mode);
}

constexpr int kCwColumn = 0;
constexpr int kSsbColumn = 1;

void AddTo(BandCounts& total, const BandCounts& band) {
    total.qsos += band.qsos;
    total.points += band.points;
    total.multiplier += band.multiplier;
    total.cw += band.cw;
    total.ssb += band.ssb;
    total.dig += band.dig;
    total.dupes += band.dupes;
}

// A band name in another letter case ("160M") has no row in workedDistricts: its districts still
// count for its multiplier but are kept out of the table, which has no row for them.
BandCounts ScoreBand(const std::string& band, const QsoLog& log, WorkedDistricts& worked) {
    BandCounts counts;
    counts.band = band;

    std::optional<int> row = BandIndex(band);
    if (row) {
        for (auto& cell : worked[*row]) cell.clear();
    }

    // Views into the log's records, which stay put while the band is scored.
    std::array<boost::unordered_flat_set<std::string_view>, kModeColumns> districts;
    for (const CInfo& record : log) {
        if (record.m_band != band || record.m_call.empty()) continue;
        counts.dupes += record.m_dupe;
        if (record.m_notScored != 0) continue;

        ++counts.qsos;
        ++counts.points;
        // A mode stored in another letter case ("cw") is a point but no mode column, so its
        // district cannot be placed and is not counted.
        const std::optional<int> column = ScoringColumn(record.m_mode);
        if (!column) continue;
        if (*column == kCwColumn) {
            ++counts.cw;
        } else if (*column == kSsbColumn) {
            ++counts.ssb;
        } else {
            ++counts.dig;
        }

        if (record.m_district.empty()) continue;
        if (!districts[*column].insert(record.m_district).second) continue;
        if (row) worked[*row][*column].push_back(record.m_district);
        ++counts.multiplier;
    }
    return counts;
}

}  // namespace

void SortBandsWorked(std::vector<std::string>& bandsWorked) {
    for (std::size_t i = 0; i < bandsWorked.size(); ++i) {
        for (std::size_t j = i + 1; j < bandsWorked.size(); ++j) {
            if (PaddedBandName(bandsWorked[i]) < PaddedBandName(bandsWorked[j])) {
                std::swap(bandsWorked[i], bandsWorked[j]);
            }
        }
    }
}

ContestScore ScoreContest(ContestState& contest, const BadQsoLineCount& badQsoFile) {
    SortBandsWorked(contest.bandsWorked);

    ContestScore score;
    score.total.band = "Total";
    for (const std::string& band : contest.bandsWorked) {
        score.bands.push_back(ScoreBand(band, contest.qsoLog, contest.workedDistricts));
        AddTo(score.total, score.bands.back());
    }

    score.dupe = score.total.dupes;
    const std::int64_t findings = badQsoFile.lines - badQsoFile.duplicateLines - 1;
    score.badQso = static_cast<int>(std::clamp<std::int64_t>(findings, 0, std::numeric_limits<int>::max()));
    score.score = std::int64_t{score.total.points} * score.total.multiplier;
    return score;
}
