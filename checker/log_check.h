#pragma once

#include <cstddef>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/bad_qso_line.h"
#include "engine/ole_date.h"
#include "engine/platform.h"
#include "engine/qso_input.h"
#include "reports/contest_score.h"
#include "logs/log_reader.h"

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
    // QSOs the log holds, when known: the plug-in's log takes room for them at once.
    std::size_t expectedQsos = 0;
    // Where the bad-QSO file is written as the check goes; empty: held in memory and returned.
    std::string badQsoDiskPath;
    // The most DUPE lines one QSO adds to the bad-QSO file (the plug-in writes one per earlier
    // copy, without bound): the rest are counted in the outcome.
    std::size_t dupeLinesPerQso = kDupeLinesPerQso;

    static constexpr std::size_t kDupeLinesPerQso = 10;
};

struct OutputFile {
    std::string name;  // file name as the plug-in names it, without folder
    std::string content;  // empty for a file written on disk
};

struct CheckOutcome {
    std::string summary;  // the results summary, byte for byte the plug-in's
    OutputFile badQsoFile;
    std::optional<OutputFile> cabrilloFile;  // when asked for and written
    std::string cabrilloMessage;             // what the plug-in tells the operator after an export
    std::size_t qsosLogged = 0;              // QSOs the add path took into the log
    std::size_t qsosRejected = 0;            // QSOs the add path refused (wrong band, mode, exchange)
    std::size_t findingLines = 0;            // lines of the bad-QSO file after its first
    std::int64_t dupeLinesNotWritten = 0;    // DUPE lines beyond the settings' bound per QSO
    std::int64_t claimedScore = 0;           // the score the Cabrillo file claims
    // Values given to QSOs for the Cabrillo file, which no reader could take without them: the
    // band's lower edge for a QSO known by its band alone, the customary RST for a missing one.
    std::size_t valuesFilled = 0;
    ContestScore score;                      // the figures the summary shows
};

// What the add path found of one QSO.
struct QsoFindings {
    bool logged = false;  // taken into the log (rejected QSOs have their reason below)
    std::bitset<5> reasons;  // by BadQsoReason

    bool has(BadQsoReason reason) const { return reasons.test(static_cast<std::size_t>(reason)); }
};

// The plug-in's reset, add and results calls on an in-memory set of files, for one log whose
// QSOs are given one at a time: the reset when made, add() for each QSO in log order, finish()
// for what the plug-in would have written.
class LogCheck {
public:
    explicit LogCheck(const CheckSettings& settings);
    ~LogCheck();
    LogCheck(const LogCheck&) = delete;
    LogCheck& operator=(const LogCheck&) = delete;

    // The QSO through the add path, with the settings' own call where it has none.
    QsoFindings add(const LogQso& qso);
    // A QSO given whole, own call and country included, through the add path as it stands.
    QsoFindings addInput(const QsoInput& input);
    CheckOutcome finish();

private:
    struct Plugin;
    void FillForCabrillo(QsoInput& qso);
    const CheckSettings& m_settings;
    std::unique_ptr<Plugin> m_plugin;
    std::size_t m_logged = 0;
    std::size_t m_rejected = 0;
    QsoFindings m_current;
    std::size_t m_valuesFilled = 0;
};

// Runs the log's QSOs, in order, through a LogCheck.
CheckOutcome CheckLog(const LogContents& log, const CheckSettings& settings);

// The same for QSOs held elsewhere: `forEachQso` hands each QSO, in log order, to its argument.
using QsoSink = std::function<void(const QsoInput&)>;
CheckOutcome CheckQsos(const std::function<void(const QsoSink&)>& forEachQso, const CheckSettings& settings);

// Earliest and latest QSO time, each to the whole hour outward: the contest's period when no
// option gives it.
std::pair<OleDateTime, OleDateTime> PeriodAround(OleDateTime first, OleDateTime last);
// The same for the QSOs of a log in memory; nothing for a log without QSOs.
std::optional<std::pair<OleDateTime, OleDateTime>> PeriodOfQsos(const LogContents& log);
