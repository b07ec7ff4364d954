#pragma once

#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"

// Reads the tab-separated summary back: after three heading lines, one row per band and then the
// total row, whose six counts are the sums of the band rows; the foot's score is points times
// multiplier. Returns the total row's QSO count.
inline std::int64_t CheckSummaryText(std::string_view text, bool withFoot) {
    std::vector<std::string_view> lines;
    for (std::size_t end; (end = text.find("\r\n")) != std::string_view::npos; text.remove_prefix(end + 2))
        lines.push_back(text.substr(0, end));
    FUZZ_CHECK(text.empty());  // every line ends in CR LF
    FUZZ_CHECK(lines.size() >= 4 && lines[2] == "Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG");

    using Row = std::array<std::int64_t, 6>;  // QSOs, ZELK, Points, CW, SSB, DIG
    std::vector<Row> rows;
    std::size_t at = 3;
    for (; at < lines.size() && !lines[at].starts_with("Dupe\t"); ++at) {
        const std::string line(lines[at].substr(lines[at].find('\t')));
        Row row{};
        int read = std::sscanf(line.c_str(), "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64 "\t %" SCNd64
                                             "\t %" SCNd64 "\t %" SCNd64,
                               &row[0], &row[1], &row[2], &row[3], &row[4], &row[5]);
        FUZZ_CHECK(read == 6);
        FUZZ_CHECK(row[2] == row[0] && row[3] + row[4] + row[5] <= row[0]);  // a point per QSO
        rows.push_back(row);
    }
    FUZZ_CHECK(!rows.empty());
    Row sum{};
    for (std::size_t r = 0; r + 1 < rows.size(); ++r)
        for (std::size_t c = 0; c < sum.size(); ++c) sum[c] += rows[r][c];
    FUZZ_CHECK(sum == rows.back());

    FUZZ_CHECK(withFoot == (at < lines.size()));
    if (withFoot) {
        FUZZ_CHECK(lines.size() == at + 3);
        std::int64_t dupe = -1, bad = -1, points = -1, multiplier = -1, score = -1;
        FUZZ_CHECK(std::sscanf(std::string(lines[at]).c_str(), "Dupe\t %" SCNd64, &dupe) == 1);
        FUZZ_CHECK(std::sscanf(std::string(lines[at + 1]).c_str(), "Bad QSO\t %" SCNd64, &bad) == 1);
        FUZZ_CHECK(std::sscanf(std::string(lines[at + 2]).c_str(),
                               "Score:\t %" SCNd64 " *  %" SCNd64 " = %" SCNd64, &points, &multiplier,
                               &score) == 3);
        FUZZ_CHECK(dupe >= 0 && bad >= 0);
        FUZZ_CHECK(points == rows.back()[2] && multiplier == rows.back()[1]);
        FUZZ_CHECK(score == points * multiplier);
    } else {
        FUZZ_CHECK(lines.size() == at);
    }
    return rows.back()[0];
}
