#pragma once

#include <string>
#include <string_view>

#include "reports/contest_score.h"

// The texts the summary's heading shows.
struct SummaryHeading {
    std::string_view myCall;
    std::string_view contestStart;  // "%d.%m"
    std::string_view contestEnd;    // "%d.%m.%Y"
};

// Tab-separated text. The foot (dupes, bad QSOs, score) is left out when a Cabrillo export runs
// or the log is empty.
std::string FormatResultsText(const ContestScore& score, const SummaryHeading& heading, bool withFoot);

// A whole HTML document with one table.
std::string FormatResultsHtml(const ContestScore& score, const SummaryHeading& heading);
