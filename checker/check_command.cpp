#include "checker/check_command.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>

#include "stats_version.h"
#include "engine/bad_qso_file.h"
#include "checker/buffered_output.h"
#include "checker/command_values.h"
#include "checker/log_check.h"
#include "checker/log_passes.h"
#include "logs/log_reader.h"
#include "checker/output_files.h"
#include "logs/qso_fields.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kExamples = R"(Examples:
  Check a Cabrillo log against the district list beside it, summary on the screen:
    zelk-check UT5ZZ.cbr
  An ADIF export, with the district list and contest period given:
    zelk-check --districts Plugins/zelk.txt --start "2017-05-05 21:00" --end "2017-05-06 03:00" contest.adi
  Write the Cabrillo file for submission, the bad-QSO file and an HTML summary into out/:
    zelk-check --cabrillo --header cabrillo_header.txt --html -s out/results.html -o out contest.adi

Exit codes: 0 the log is clean, 1 findings were made or lines were skipped,
2 the log or the options cannot be used.
)";

struct CommandLine {
    std::string logPath;
    std::string districtsPath;
    std::string call;
    std::string start, end;
    std::vector<std::string> countries;
    bool html = false;
    std::string summaryPath;
    std::string outputDir = ".";
    bool noBadQsoFile = false;
    bool cabrillo = false;
    std::string headerPath;
    std::vector<std::string> headerSettings;
    std::string createdBy = "Vexl";
    bool force = false;
    bool quiet = false;
    std::string dgMode;
};

std::pair<std::string, std::string> SplitSetting(const std::string& text, const char* option) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw Unusable{std::string(option) + " \"" + text + "\" is not KEY=VALUE"};
    return {text.substr(0, equals), text.substr(equals + 1)};
}

HeaderValues HeaderValuesOf(const CommandLine& cmd) {
    HeaderValues values;
    std::vector<std::string> unknown;
    if (!cmd.headerPath.empty()) values = ParseHeaderValues(ReadWholeFile(cmd.headerPath, "header values file"), &unknown);
    for (const std::string& setting : cmd.headerSettings) {
        auto [key, value] = SplitSetting(setting, "--set");
        HeaderValues one = ParseHeaderValues(key + "=" + value, &unknown);
        for (auto& [k, v] : one) values.insert_or_assign(k, std::move(v));
    }
    if (!unknown.empty())
        throw Unusable{"unknown header key \"" + unknown.front() +
                       "\" (keys: Callsign Category Contest Claimed Name Address Operators Club Email SoapBox)"};
    return values;
}

void ApplyCountries(const CommandLine& cmd, CheckSettings& settings) {
    for (const std::string& country : cmd.countries) {
        if (country.find('=') == std::string::npos) {
            settings.countryForAll = ToUpperAscii(country);
        } else {
            auto [call, prefix] = SplitSetting(country, "--country");
            settings.countryByCall[ToUpperAscii(call)] = ToUpperAscii(prefix);
        }
    }
}

const char* FormatName(LogFormat format) {
    return format == LogFormat::adif ? "ADIF log" : format == LogFormat::adx ? "ADIF XML (ADX) log" : "Cabrillo log";
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::ifstream OpenLog(const fs::path& path) {
    std::error_code code;
    if (fs::is_directory(path, code)) throw Unusable{path.string() + ": a folder, not a log"};
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Unusable{"cannot read the log " + path.string() + (errno != 0 ? ": " + std::generic_category().message(errno) : "")};
    return file;
}

ReadOptions ReadOptionsOf(const CommandLine& cmd) {
    ReadOptions options;
    if (cmd.dgMode.empty()) return options;
    static constexpr std::string_view kDigitalModes[] = {"BPSK31", "BPSK63", "BPSK125", "QPSK31", "QPSK63", "QPSK125", "MFSK", "RTTY"};
    const std::string mode = ModeOfAdif(cmd.dgMode, "");
    if (std::find(std::begin(kDigitalModes), std::end(kDigitalModes), mode) == std::end(kDigitalModes))
        throw Unusable{"--dg-mode \"" + cmd.dgMode + "\" is not one of the contest's digital modes "
                       "(BPSK31 BPSK63 BPSK125 QPSK31 QPSK63 QPSK125 MFSK RTTY)"};
    options.digitalMode = mode;
    return options;
}

// The period the options give, checked before the log is read.
std::pair<std::optional<OleDateTime>, std::optional<OleDateTime>> PeriodOptions(const CommandLine& cmd) {
    std::optional<OleDateTime> start, end;
    if (!cmd.start.empty()) start = ParseDateOption(cmd.start, "--start");
    if (!cmd.end.empty()) end = ParseDateOption(cmd.end, "--end");
    if (start && end && start->m_dt >= end->m_dt)
        throw Unusable{"--start \"" + cmd.start + "\" is not before --end \"" + cmd.end + "\""};
    return {start, end};
}

// The own call; a log without QSOs may name none.
std::string OwnCallOf(const CommandLine& cmd, const LogSurvey& survey) {
    std::string call = !cmd.call.empty() ? ToUpperAscii(cmd.call) : !survey.header.ownCall.empty() ? survey.header.ownCall : survey.firstMyCall;
    if (call.empty() && survey.qsos == 0) return call;
    if (call.empty()) throw Unusable{"the log names no own call; give it with --call"};
    if (call.size() > kMaxCallLength || call.find_first_of(" \t") != std::string::npos)
        throw Unusable{"the own call \"" + call.substr(0, kMaxCallLength) + (call.size() > kMaxCallLength ? "..." : "") +
                       "\" is not a call sign (at most " + std::to_string(kMaxCallLength) + " characters); give it with --call"};
    return call;
}

fs::path ScratchFileFor(const fs::path& output) {
    return fs::temp_directory_path() /
           ("zelk-check-" + std::to_string(std::random_device{}()) + "-" + output.filename().string() + ".tmp");
}

// The hour around the time the log was last written: the period of a log without QSOs, which
// dates its summary, when no option gives one.
std::pair<OleDateTime, OleDateTime> PeriodOfFile(const fs::path& path) {
    std::error_code code;
    const auto written = fs::last_write_time(path, code);
    const auto when = code ? std::chrono::system_clock::now() : std::chrono::file_clock::to_sys(written);
    constexpr double kUnixEpochInOleDays = 25569;
    OleDateTime date;
    date.m_dt = kUnixEpochInOleDays + std::chrono::duration<double>(when.time_since_epoch()).count() / 86400;
    return PeriodAround(date, date);
}

// A log without QSOs (a header alone, only X-QSO lines, nothing readable) gets the plug-in's
// summary of an empty contest and no other file; exit 1, as its lines were not scored.
int ReportLogWithoutQsos(const CommandLine& cmd, const LogSurvey& survey,
                         std::pair<std::optional<OleDateTime>, std::optional<OleDateTime>> period, std::ostream& out,
                         std::ostream& err, UpperCaseText upperCase) {
    const fs::path logPath = cmd.logPath;
    if (!cmd.quiet) {
        for (const LogProblem& problem : survey.firstProblems)
            err << logPath.string() << ":" << problem.line << ": " << problem.message << ", line skipped\n";
        if (survey.problems > survey.firstProblems.size())
            err << logPath.string() << ": and " << survey.problems - survey.firstProblems.size() << " more lines skipped\n";
    }
    CheckSettings settings;
    settings.ownCall = OwnCallOf(cmd, survey);
    const auto fileHour = PeriodOfFile(logPath);
    settings.contestStart = period.first.value_or(period.second ? OleDateTime{period.second->m_dt - 1.0 / 24} : fileHour.first);
    settings.contestEnd = period.second.value_or(OleDateTime{settings.contestStart.m_dt + 1.0 / 24});
    settings.html = cmd.html;
    settings.upperCase = upperCase;
    const CheckOutcome outcome = LogCheck(settings).finish();

    std::optional<std::string> summaryNotWritten;
    if (cmd.summaryPath.empty()) out << outcome.summary << std::flush;
    else summaryNotWritten = WriteOutputs({{cmd.summaryPath, outcome.summary, {}, false, {}}}, cmd.force, logPath).front();

    err << logPath.string() << ": " << FormatName(survey.header.format) << " holding no QSO: score 0 ("
        << Plural(survey.problems, "line", "lines") << " skipped";
    if (survey.header.xQsos > 0) err << ", " << Plural(survey.header.xQsos, "X-QSO line", "X-QSO lines") << " not scored";
    err << "); no bad-QSO file" << (cmd.cabrillo ? " or Cabrillo file" : "") << " written\n";
    if (summaryNotWritten) {
        err << "zelk-check: " << *summaryNotWritten << "\n";
        return kUnusable;
    }
    return kLogHasFindings;
}

int Run(const CommandLine& cmd, std::ostream& out, std::ostream& err, UpperCaseText upperCase) {
    const fs::path logPath = cmd.logPath;
    const ReadOptions readOptions = ReadOptionsOf(cmd);
    const auto [start, end] = PeriodOptions(cmd);
    LogSurvey survey;
    {
        std::ifstream log = OpenLog(logPath);
        survey.header = ReadContestLog(log, survey, readOptions);
    }
    if (survey.header.format == LogFormat::unknown)
        throw Unusable{logPath.string() + ": " + (survey.unreadable.empty() ? "not a log" : survey.unreadable)};
    if (survey.qsos == 0) return ReportLogWithoutQsos(cmd, survey, {start, end}, out, err, upperCase);

    CheckSettings settings;
    settings.ownCall = OwnCallOf(cmd, survey);
    const fs::path districtsPath = cmd.districtsPath.empty() ? logPath.parent_path() / "zelk.txt" : fs::path(cmd.districtsPath);
    try {
        settings.districtList = ReadWholeFile(districtsPath, "the district list");
    } catch (const Unusable& missing) {
        throw Unusable{missing.message + (cmd.districtsPath.empty() ? "; give the district list with --districts" : "")};
    }

    const auto period = PeriodAround(survey.first, survey.last);
    settings.contestStart = start.value_or(period.first);
    settings.contestEnd = end.value_or(period.second);
    if (settings.contestStart.m_dt >= settings.contestEnd.m_dt)
        throw Unusable{"the contest period is empty: it starts " + FormatOleDate(settings.contestStart, "%Y-%m-%d %H:%M") +
                       " and ends " + FormatOleDate(settings.contestEnd, "%Y-%m-%d %H:%M")};
    settings.html = cmd.html;
    settings.cabrillo = cmd.cabrillo;
    settings.header = HeaderValuesOf(cmd);
    settings.hostVersion = cmd.createdBy;
    settings.upperCase = upperCase;
    ApplyCountries(cmd, settings);

    // The bad-QSO file is written on disk as the check goes, beside its place until it is done.
    const fs::path outputDir = cmd.outputDir;
    const fs::path badQsoPath = outputDir / BadQsoFileName(settings.contestEnd);
    for (const fs::path& target : {badQsoPath, fs::path(cmd.summaryPath)}) {
        if (target.empty() || (cmd.noBadQsoFile && target == badQsoPath)) continue;
        if (auto refusal = OutputRefusal(target, logPath)) throw Unusable{*refusal};
    }
    // Without a bad-QSO file its lines still go to disk, into a scratch file of this run's own.
    fs::path badQsoSide = cmd.noBadQsoFile ? ScratchFileFor(badQsoPath) : SideFileOf(badQsoPath);
    // A folder that cannot be written is found now, and its reason kept for the end: the check
    // still runs, its findings named and its bad-QSO lines written into a scratch file.
    std::string badQsoFailure;
    if (!cmd.noBadQsoFile)
        if (auto reason = CreateSideFile(badQsoSide)) {
            badQsoFailure = *reason;
            badQsoSide = ScratchFileFor(badQsoPath);
        }
    SideFile badQsoSideFile(badQsoSide);
    settings.badQsoDiskPath = badQsoSide.string();
    settings.expectedQsos = survey.qsos;

    LogCheck check(settings);
    BufferedOutput messages(err);
    LogRun run(check, settings, logPath, messages.stream(), cmd.quiet);
    {
        std::ifstream log = OpenLog(logPath);
        ReadContestLog(log, run, readOptions);
    }
    run.nameWithheld();
    messages.flush();
    const CheckOutcome outcome = check.finish();

    std::vector<PlannedOutput> outputs;
    if (!cmd.noBadQsoFile) outputs.push_back({badQsoPath, {}, badQsoSide, false, badQsoFailure});
    if (cmd.cabrillo) {
        if (!outcome.cabrilloFile) throw Unusable{"the Cabrillo file was not produced: " + outcome.cabrilloMessage};
        outputs.push_back({outputDir / outcome.cabrilloFile->name, outcome.cabrilloFile->content, {}, true, {}});
    }
    if (!cmd.summaryPath.empty()) outputs.push_back({cmd.summaryPath, outcome.summary, {}, false, {}});
    const std::vector<std::optional<std::string>> notWritten = WriteOutputs(outputs, cmd.force, logPath);

    if (cmd.summaryPath.empty()) out << outcome.summary << std::flush;

    err << logPath.string() << ": " << FormatName(survey.header.format) << ", " << Plural(run.qsos, "QSO", "QSOs")
        << " read, " << Plural(run.problems, "line", "lines") << " skipped; " << outcome.qsosLogged << " logged, "
        << outcome.qsosRejected << " rejected; ";
    if (run.outsidePeriod > 0) err << run.outsidePeriod << " outside the contest period; ";
    if (survey.header.xQsos > 0) err << Plural(survey.header.xQsos, "X-QSO line", "X-QSO lines") << " not scored; ";
    err << Plural(outcome.findingLines, "finding line", "finding lines");
    if (!cmd.noBadQsoFile) err << " in " << badQsoPath.string();
    if (outcome.dupeLinesNotWritten > 0)
        err << " (and " << outcome.dupeLinesNotWritten << " DUPE lines not written: at most " << settings.dupeLinesPerQso
            << " for each QSO, where the plug-in writes one for every earlier QSO of its call, band and mode)";
    if (cmd.cabrillo) err << "; claimed score " << outcome.claimedScore;
    err << "\n";
    if (cmd.cabrillo && outcome.valuesFilled > 0)
        err << "For the Cabrillo file " << Plural(outcome.valuesFilled, "value was", "values were")
            << " filled in: the band's lower edge for QSOs without a frequency, 599 (59 on SSB) for missing RSTs\n";
    bool allWritten = true;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (notWritten[i])
            err << "zelk-check: " << *notWritten[i] << "\n";
        else if (outputs[i].keepExisting)
            err << "Cabrillo log written: " << outputs[i].path.string() << "\n";
        allWritten = allWritten && !notWritten[i];
    }
    if (!allWritten) return kUnusable;
    return outcome.findingLines > 0 || run.problems > 0 || run.outsidePeriod > 0 ? kLogHasFindings : kLogClean;
}

void DescribeOptions(CLI::App& app, CommandLine& cmd) {
    app.set_version_flag("--version", std::string("zelk-check ") + kStatsVersion);
    app.footer(kExamples);
    app.add_option("log", cmd.logPath, "The contest log: Cabrillo (2.0 or 3.0) or ADIF (ADI or ADX), recognised from its content")
        ->option_text("LOG")
        ->required();
    app.add_option("-d,--districts", cmd.districtsPath, "District list (default: zelk.txt beside the log)")->option_text("FILE");
    app.add_option("-c,--call", cmd.call, "Own call (default: the log's CALLSIGN: or STATION_CALLSIGN)")->option_text("CALL");
    app.add_option("--start", cmd.start, "Contest start \"YYYY-MM-DD HH:MM\" (default: the hour of the first QSO)")->option_text("DATE");
    app.add_option("--end", cmd.end, "Contest end \"YYYY-MM-DD HH:MM\" (default: the hour after the last QSO)")->option_text("DATE");
    app.add_option("--country", cmd.countries,
                   "Country prefix of every worked station, or CALL=PREFIX for one call (UR is checked for districts)")
        ->option_text("[CALL=]PREFIX")
        ->allow_extra_args(false);  // one value each time, so the log's path after it stays the log
    app.add_flag("--html", cmd.html, "Summary as HTML instead of text");
    app.add_option("-s,--summary", cmd.summaryPath, "Write the summary into this file instead of standard output")->option_text("FILE");
    app.add_option("-o,--output-dir", cmd.outputDir, "Folder for the bad-QSO file and the Cabrillo file (default: .)")->option_text("DIR");
    app.add_flag("--no-bad-qso-file", cmd.noBadQsoFile, "Do not write the bad-QSO file");
    app.add_flag("--cabrillo", cmd.cabrillo, "Also write the contest's Cabrillo file <CALL>.cbr");
    app.add_option("--header", cmd.headerPath, "Cabrillo header values: Key=value lines (\\n for a line break)")->option_text("FILE");
    app.add_option("--set", cmd.headerSettings, "One Cabrillo header value KEY=VALUE, over the file's")
        ->option_text("KEY=VALUE")
        ->allow_extra_args(false);
    app.add_option("--created-by", cmd.createdBy, "Text after \"CREATED-BY: Vexl \" in the Cabrillo file")->option_text("TEXT (Vexl)");
    app.add_flag("-f,--force", cmd.force, "Replace an existing Cabrillo file (the bad-QSO and summary files are always replaced)");
    app.add_flag("-q,--quiet", cmd.quiet, "No message for each skipped line and each finding, only their counts");
    app.add_option("--dg-mode", cmd.dgMode,
                   "Contest mode of the Cabrillo code DG and of ADIF's MODE DIGI (any digital mode), for a log whose "
                   "operator worked only this one")
        ->option_text("MODE");
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// An option the program does not know, named with the nearest one it knows, before it could
// be taken for the log's path or a value.
std::optional<std::string> UnknownOption(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") return std::nullopt;
        if (arg.size() < 2 || arg[0] != '-' || (arg.size() == 2 && arg[1] != '-')) continue;
        const std::string_view name = arg.substr(0, arg.find('='));
        const std::string_view bare = name.substr(name.find_first_not_of('-'));
        const CLI::Option* known = nullptr;
        std::string nearest;
        std::size_t nearestDistance = std::string::npos;
        for (const CLI::Option* option : app.get_options()) {
            for (const std::string& longName : option->get_lnames()) {
                if (name == "--" + longName) known = option;
                if (const std::size_t distance = EditDistance(bare, longName); distance < nearestDistance) {
                    nearestDistance = distance;
                    nearest = "--" + longName;
                }
            }
        }
        if (known) {
            if (known->get_type_size() != 0 && name.size() == arg.size()) ++i;  // its value follows
            continue;
        }
        if (name.starts_with("--") || name.size() > 2)
            return "unknown option " + std::string(name) + (nearestDistance <= 3 ? "; did you mean " + nearest + "?" : "");
    }
    return std::nullopt;
}

}  // namespace

int ZelkCheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                  UpperCaseText upperCase) {
    try {
        CLI::App app("Checks a ZELK contest log by the plug-in's rules and writes what the plug-in writes: "
                     "the results summary, the bad-QSO file and, on request, the Cabrillo log.",
                     "zelk-check");
        CommandLine cmd;
        DescribeOptions(app, cmd);
        if (auto unknown = UnknownOption(app, argc, argv)) {
            err << "zelk-check: " << *unknown << "\nRun zelk-check --help for the options.\n";
            return kUnusable;
        }
        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            out << app.help();
            return kLogClean;
        } catch (const CLI::CallForVersion&) {
            out << "zelk-check " << kStatsVersion << "\n";
            return kLogClean;
        } catch (const CLI::ParseError& error) {
            err << "zelk-check: " << error.what() << "\nRun zelk-check --help for the options.\n";
            return kUnusable;
        }
        return Run(cmd, out, err, upperCase);
    } catch (const Unusable& unusable) {
        err << "zelk-check: " << unusable.message << "\n";
    } catch (const std::exception& error) {
        err << "zelk-check: " << error.what() << "\n";
    } catch (...) {
        err << "zelk-check: unexpected failure\n";
    }
    return kUnusable;
}
