#pragma once

#include <string>

#include "crosscheck/crosscheck_run.h"

// Every QSO of every scored log with its verdict, one CSV row each (RFC 4180, CRLF): for a busted
// call the call that was on the air, for a matched QSO or a busted exchange what the other station
// sent. For a committee's own tools and spreadsheets. Made in parts, so the whole never sits in
// memory: the heading line, then the rows of each scored log.
std::string ChecksCsvHeading();
std::string ChecksCsvRows(const CrossCheckRun& run, const LogResult& result);
