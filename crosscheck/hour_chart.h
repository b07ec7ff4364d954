#pragma once

#include <string>

#include "crosscheck/cross_log.h"

// An inline SVG bar chart of the log's QSOs per hour, each bar split by band, with its legend.
// Plain SVG: no script, no external file.
std::string HourChartSvg(const CrossLog& log);
