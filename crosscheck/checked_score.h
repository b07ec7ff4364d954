#pragma once

#include <cstdint>
#include <vector>

#include "checker/log_check.h"
#include "crosscheck/cross_log.h"
#include "crosscheck/cross_match.h"

struct LogScores {
    CheckOutcome claimed;  // every QSO, as the participant's plug-in scored it
    CheckOutcome checked;  // the QSOs that keep their credit
    std::size_t nils = 0;
    std::int64_t checkedScore = 0;  // the checked summary's score less the not-in-log penalty
};

// Runs the log through the plug-in's reset, add and results code twice: whole, and with only the
// QSOs that keep their credit, in log order, so a multiplier only a removed QSO gave is lost.
// `settings` gives the district list and the contest period; the own call is the log's.
LogScores ScoreLog(const CrossLog& log, const std::vector<QsoCheck>& checks, const MatchRules& rules,
                   CheckSettings settings);
