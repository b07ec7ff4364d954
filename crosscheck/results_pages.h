#pragma once

#include <string>

#include "crosscheck/crosscheck_run.h"
#include "crosscheck/page_words.h"

// The results as one HTML page: a table per category (the logs' CATEGORY-* headers), ranked by
// checked score, with links to each log's report; then the logs that could not be scored.
std::string ResultsHtml(const CrossCheckRun& run, const MatchRules& rules);

// The same page's content below its heading, for a site to show in its own frame; with links to
// each log's report (beside the results, as <page>.html and <page>.ubn.txt) only when `reportLinks`;
// its own words in `words`' language.
std::string ResultsTablesHtml(const CrossCheckRun& run, const MatchRules& rules, bool reportLinks,
                              const PageWords& words = PageWords::English());

// The same rows as CSV (RFC 4180, CRLF line ends), the logs not scored last with their reason.
std::string ResultsCsv(const CrossCheckRun& run, const MatchRules& rules);
