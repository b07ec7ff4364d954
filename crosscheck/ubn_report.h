#pragma once

#include <string>

#include "crosscheck/crosscheck_run.h"
#include "crosscheck/page_words.h"

// The report a participant gets: the claimed and the checked summary, then the QSOs the other
// logs did not confirm (not in log, busted calls, busted exchanges, uniques), each with its line,
// time, band and mode. Plain text for an e-mail.
std::string UbnText(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules);

// The same as one HTML page, with a chart of the log's QSOs per hour and band.
std::string UbnHtml(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules);

// That page's content below its heading, for a site to show in its own frame; its own words in
// `words`' language (the plug-in's summaries stay as the plug-in writes them).
std::string UbnSectionsHtml(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules,
                            const PageWords& words = PageWords::English());

std::string_view VerdictName(Verdict verdict);
