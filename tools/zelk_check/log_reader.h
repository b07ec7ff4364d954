#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qso_input.h"

// One QSO read from a log file.
struct LogQso : QsoTexts {
    std::size_t line = 0;  // line of the QSO line (Cabrillo) or where the record starts (ADIF)
};

// A line or record that was skipped, with the reason.
struct LogProblem {
    std::size_t line = 0;
    std::string message;
};

enum class LogFormat { unknown, cabrillo, adif };

struct LogContents {
    LogFormat format = LogFormat::unknown;
    std::string ownCall;  // CALLSIGN: header (Cabrillo) or the first STATION_CALLSIGN (ADIF)
    std::vector<LogQso> qsos;
    std::vector<LogProblem> problems;  // one per skipped line or record, in file order
};

// Recognises the format from the text itself: "START-OF-LOG:" or a "QSO:" line is Cabrillo,
// an ADIF field tag ("<CALL:", "<EOH>", ...) is ADIF. Binary or empty text is unknown.
LogFormat DetectLogFormat(std::string_view text);

LogContents ReadCabrillo(std::string_view text);
LogContents ReadAdif(std::string_view text);

// Detects the format and reads with the matching reader; an unknown format gives one problem.
LogContents ReadContestLog(std::string_view text);
