#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/bad_qso_file.h"
#include "engine/contest_state.h"

// One row of the results: a worked band or the total.
struct BandCounts {
    std::string band;
    int qsos = 0;
    int points = 0;
    int multiplier = 0;  // districts, once per band and mode column
    int cw = 0;
    int ssb = 0;
    int dig = 0;
    int dupes = 0;
};

struct ContestScore {
    std::vector<BandCounts> bands;  // in report order
    BandCounts total;
    int dupe = 0;
    int badQso = 0;
    std::int64_t score = 0;  // points times multiplier: 50,000 of each is past 32 bits
};

// Puts the worked bands in report order ("160m", "80m", "40m"): descending by the names left-padded
// with "0" to 20 characters.
void SortBandsWorked(std::vector<std::string>& bandsWorked);

// Recomputes every count from the log. Sorts the bands worked and rebuilds the rows of
// workedDistricts of the bands reported on. Bad QSO counts the bad-QSO file's finding lines that
// are not duplicate lines (a third copy of a QSO writes two duplicate lines but is one dupe).
ContestScore ScoreContest(ContestState& contest, const BadQsoLineCount& badQsoFile);
