#include "reports/contest_score.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace {

std::string PaddedBandName(const std::string& band) {
    constexpr std::size_t kWidth = 20;
    return band.size() >= kWidth ? band : std::string(kWidth - band.size(), '0') + band;
}

enum class ModeClass { cw, ssb, digital };

struct ModeEntry {
    std::string_view name;
    ModeClass modeClass;
    int column;
};

// The two aliases count like the modes they stand for.
constexpr std::array<ModeEntry, 12> kModes{{
    {"CW", ModeClass::cw, 0},
    {"SSB", ModeClass::ssb, 1},
    {"MFSK", ModeClass::digital, 2},
    {"BPSK31", ModeClass::digital, 3},
    {"BPSK63", ModeClass::digital, 4},
    {"BPSK62", ModeClass::digital, 4},
    {"BPSK125", ModeClass::digital, 5},
    {"QPSK31", ModeClass::digital, 6},
    {"QPSK63", ModeClass::digital, 7},
    {"QPSK62", ModeClass::digital, 7},
    {"QPSK125", ModeClass::digital, 8},
    {"RTTY", ModeClass::digital, 9},
}};

const ModeEntry* FindMode(std::string_view mode) {
    auto found = std::find_if(kModes.begin(), kModes.end(),
                              [&](const ModeEntry& entry) { return entry.name == mode; });
    return found == kModes.end() ? nullptr : &*found;
}

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

    std::array<std::vector<std::string>, kModeColumns> districts;
    for (const CInfo& record : log) {
        if (record.m_band != band || record.m_call.empty()) continue;
        counts.dupes += record.m_dupe;
        if (record.m_notScored != 0) continue;

        ++counts.qsos;
        ++counts.points;
        // A mode stored in another letter case ("cw") is a point but no mode column, so its
        // district cannot be placed and is not counted.
        const ModeEntry* mode = FindMode(record.m_mode);
        if (!mode) continue;
        switch (mode->modeClass) {
            case ModeClass::cw: ++counts.cw; break;
            case ModeClass::ssb: ++counts.ssb; break;
            case ModeClass::digital: ++counts.dig; break;
        }

        if (record.m_district.empty()) continue;
        auto& seen = districts[mode->column];
        if (std::find(seen.begin(), seen.end(), record.m_district) != seen.end()) continue;
        seen.push_back(record.m_district);
        if (row) worked[*row][mode->column].push_back(record.m_district);
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

ContestScore ScoreContest(ContestState& contest, int badQsoFileLines) {
    SortBandsWorked(contest.bandsWorked);

    ContestScore score;
    score.total.band = "Total";
    for (const std::string& band : contest.bandsWorked) {
        score.bands.push_back(ScoreBand(band, contest.qsoLog, contest.workedDistricts));
        AddTo(score.total, score.bands.back());
    }

    score.dupe = score.total.dupes;
    score.badQso = std::max(badQsoFileLines - score.dupe - 1, 0);
    score.score = score.total.points * score.total.multiplier;
    return score;
}
