#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "crosscheck/crosscheck_run.h"

// Replaces `folder` with a cross-check's results: each log's UBN report as text and page,
// checks.csv, results.html and results.csv (by ReplaceOutputFolder's swap). `progress` is told,
// when given, how many of the logs' reports are written. False with the reason in `error`.
bool WriteResultsFolder(const std::filesystem::path& folder, const CrossCheckRun& run, const MatchRules& rules,
                        std::string& error,
                        const std::function<void(std::size_t written, std::size_t logs)>& progress = {});
