#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/ole_date.h"
#include "engine/platform.h"
#include "engine/qso_input.h"
#include "reports/contest_score.h"
#include "tools/zelk_check/log_reader.h"

// Header values of the Cabrillo file by the keys of a header values file: Callsign, Category,
// Contest, Claimed, Name, Address, Operators, Club, Email, SoapBox. Line breaks are "\r\n", as
// typed into the header dialog's boxes. The file always claims the computed score, as after the
// dialog.
using HeaderValues = std::map<std::string, std::string, std::less<>>;

// Reads "Key=value" lines ('#' starts a comment, "\n" in a value is a line break); the keys are
// those above, any other key is returned in `unknownKeys`.
HeaderValues ParseHeaderValues(std::string_view text, std::vector<std::string>* unknownKeys = nullptr);
bool IsHeaderKey(std::string_view key);

struct CheckSettings {
    std::optional<std::string> districtList;  // bytes of zelk.txt; nothing checks no code
    std::string ownCall;                      // the contestant, as the host's reset gives it
    OleDateTime contestStart;
    OleDateTime contestEnd;
    bool html = false;      // summary as HTML, as for a host that asks for it
    bool cabrillo = false;  // also the contest's Cabrillo file
    HeaderValues header;    // values the operator would type into the header dialog
    std::string hostVersion = "Vexl";  // what follows "CREATED-BY: Vexl " in the Cabrillo file
    // The worked station's country for every QSO, or for single calls: before the log's own.
    std::optional<std::string> countryForAll;
    std::map<std::string, std::string, std::less<>> countryByCall;
    // How received district codes are upper-cased: as the platform's plug-in does it.
    UpperCaseText upperCase = AsciiUpperCase;
};

struct OutputFile {
    std::string name;  // file name as the plug-in names it, without folder
    std::string content;
};

struct CheckOutcome {
    std::string summary;  // the results summary, byte for byte the plug-in's
    OutputFile badQsoFile;
    std::optional<OutputFile> cabrilloFile;  // when asked for and written
    std::string cabrilloMessage;             // what the plug-in tells the operator after an export
    std::size_t qsosLogged = 0;              // QSOs the add path took into the log
    std::size_t qsosRejected = 0;            // QSOs the add path refused (wrong band, mode, exchange)
    std::size_t findingLines = 0;            // lines of the bad-QSO file after its first
    ContestScore score;                      // the figures the summary shows
};

// Runs the log's QSOs, in order, through the plug-in's reset, add and results calls on an
// in-memory set of files, and returns what the plug-in would have written.
CheckOutcome CheckLog(const LogContents& log, const CheckSettings& settings);

// The same for QSOs held elsewhere: `forEachQso` hands each QSO, in log order, to its argument.
using QsoSink = std::function<void(const QsoInput&)>;
CheckOutcome CheckQsos(const std::function<void(const QsoSink&)>& forEachQso, const CheckSettings& settings);

// Earliest and latest QSO time, each to the whole hour outward: the contest's period when no
// option gives it. Nothing for a log without QSOs.
std::optional<std::pair<OleDateTime, OleDateTime>> PeriodOfQsos(const LogContents& log);
