#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crosscheck/checked_score.h"
#include "crosscheck/cross_log.h"
#include "crosscheck/cross_match.h"

inline constexpr std::size_t kVerdictKinds = 9;
using VerdictCounts = std::array<std::size_t, kVerdictKinds>;

inline std::size_t CountOf(const VerdictCounts& counts, Verdict verdict) {
    return counts[static_cast<std::size_t>(verdict)];
}

// One scored log with what the cross-check found in it.
struct LogResult {
    std::size_t logIndex = 0;
    LogScores scores;
    VerdictCounts counts{};
    std::string pageName;  // file names of its reports without the ending: the call, safe for a file name

    // Share of the log's QSOs that lost their credit, in percent.
    double errorRate(const CrossLog& log, const MatchRules& rules) const;
};

struct CrossCheckSettings {
    MatchRules rules;
    std::string districtList;                                   // bytes of zelk.txt
    std::optional<std::pair<OleDateTime, OleDateTime>> period;  // nothing: the hours all logs span
    // Called on each log once read, on the threads that read them (e.g. to rank it in a category
    // of the contest's table); may be empty.
    std::function<void(CrossLog&)> eachLog;
};

struct CrossCheckRun {
    std::vector<CrossLog> logs;  // every file found, in name order; the unusable with their reason
    std::vector<std::vector<QsoCheck>> checks;
    std::vector<LogResult> results;    // the scored logs, in log order
    std::vector<std::string> clashes;  // "UT5ZZ: b.cbr counts, a.cbr is older"
    std::pair<OleDateTime, OleDateTime> period;
    VerdictCounts totals{};
    std::size_t qsos = 0;
};

// Reads the logs (on every core), settles logs with the same own call (the newer file counts),
// checks them against each other and scores each.
CrossCheckRun RunCrossCheck(std::vector<std::filesystem::path> logFiles, const CrossCheckSettings& settings);

// The same for logs already read; `modified` holds each log's file time for clashes.
CrossCheckRun CrossCheckLogs(std::vector<CrossLog> logs,
                             const std::vector<std::filesystem::file_time_type>& modified,
                             const CrossCheckSettings& settings);
