#pragma once

#include <string>
#include <utility>

#include "crosscheck/cross_log.h"

// An inline SVG bar chart of the log's QSOs per hour of the contest period (start included, end
// not), each bar split by band, with its legend, and a line saying how many QSOs are charted and
// how many fall outside the hours charted: together the QSOs of the log. A period longer than
// kMaxChartHours (a clock error in some log stretches the default one) is charted for the
// kMaxChartHours that hold most of the log's QSOs. Plain SVG: no script, no external file.
inline constexpr int kMaxChartHours = 72;
std::string HourChartSvg(const CrossLog& log, const std::pair<OleDateTime, OleDateTime>& period);
