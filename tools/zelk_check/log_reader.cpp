#include "tools/zelk_check/log_reader.h"

#include <algorithm>

#include "tools/zelk_check/qso_fields.h"

LogFormat DetectLogFormat(std::string_view text) {
    // Either format is text; a NUL byte near the start means a binary file.
    if (text.substr(0, 4096).find('\0') != std::string_view::npos) return LogFormat::unknown;
    const std::string head = ToUpperAscii(text.substr(0, 65536));
    const std::size_t cabrillo = std::min(head.find("START-OF-LOG:"), head.find("QSO:"));
    std::size_t adif = std::string::npos;
    for (std::string_view tag : {"<EOH>", "<CALL:", "<EOR>", "<QSO_DATE:", "<ADIF_VER:"})
        adif = std::min(adif, head.find(tag));
    if (cabrillo == std::string::npos && adif == std::string::npos) return LogFormat::unknown;
    return cabrillo < adif ? LogFormat::cabrillo : LogFormat::adif;
}

LogContents ReadContestLog(std::string_view text) {
    switch (DetectLogFormat(text)) {
        case LogFormat::cabrillo:
            return ReadCabrillo(text);
        case LogFormat::adif:
            return ReadAdif(text);
        case LogFormat::unknown:
            break;
    }
    LogContents log;
    log.problems.push_back({0, text.empty() ? "the file is empty" : "neither a Cabrillo nor an ADIF log"});
    return log;
}
