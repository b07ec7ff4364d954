#pragma once

#include <filesystem>
#include <string_view>

#include "crosscheck/cross_log.h"

// Turns one log file into the cross-check's compact records. The only place that knows the log
// readers. A file that is not a usable log comes back with the reason in `unreadable`.
CrossLog ReadCrossLog(const std::filesystem::path& path);
CrossLog CrossLogFromText(std::string_view fileName, std::string_view text);
