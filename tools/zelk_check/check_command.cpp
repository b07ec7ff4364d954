#include "tools/zelk_check/check_command.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "stats_version.h"
#include "engine/bad_qso_file.h"
#include "tools/zelk_check/log_check.h"
#include "tools/zelk_check/log_reader.h"
#include "tools/zelk_check/output_files.h"
#include "tools/zelk_check/qso_fields.h"

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
};

// What stops the program with exit code 2, with the message for the user.
struct Unusable {
    std::string message;
};

std::string ReadWholeFile(const fs::path& path, const char* what) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Unusable{"cannot read " + std::string(what) + " " + path.string()};
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw Unusable{"cannot read " + std::string(what) + " " + path.string()};
    return std::move(text).str();
}

// "YYYY-MM-DD HH:MM" (or without the time, midnight).
OleDateTime ParseDateOption(const std::string& text, const char* option) {
    std::string date = text, time = "0000";
    if (const std::size_t blank = text.find(' '); blank != std::string::npos) {
        date = text.substr(0, blank);
        time = text.substr(blank + 1);
        std::erase(time, ':');
    }
    if (auto parsed = ParseLogDateTime(date, time)) return *parsed;
    throw Unusable{std::string(option) + " \"" + text + "\" is not a date and time like \"2017-05-05 21:00\""};
}

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
    return format == LogFormat::adif ? "ADIF log" : "Cabrillo log";
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::ifstream OpenLog(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Unusable{"cannot read the log " + path.string()};
    return file;
}

// A first reading of the log that keeps only what the check needs before its first QSO: the
// header, the count of QSOs and the first and last QSO time.
class LogSurvey final : public LogVisitor {
public:
    void qso(const LogQso& qso) override {
        if (qsos++ == 0) first = last = qso.time;
        if (qso.time.m_dt < first.m_dt) first = qso.time;
        if (qso.time.m_dt > last.m_dt) last = qso.time;
        if (firstMyCall.empty()) firstMyCall = qso.myCall.substr(0, kMaxCallLength + 1);
    }
    void problem(const LogProblem& problem) override {
        if (problem.line == 0 && unreadable.empty()) unreadable = problem.message;
        if (++problems <= kProblemsKept) firstProblems.push_back(problem);
    }

    // Said when the log has no QSO at all, so the check never reads it again.
    static constexpr std::size_t kProblemsKept = 100;
    std::vector<LogProblem> firstProblems;
    std::size_t problems = 0;
    LogHeader header;
    std::size_t qsos = 0;
    OleDateTime first, last;
    std::string firstMyCall;
    std::string unreadable;  // why the log is no log
};

// The second reading: each QSO through the plug-in's add path, each skipped line named.
class LogRun final : public LogVisitor {
public:
    LogRun(LogCheck& check, const fs::path& logPath, std::ostream& err, bool quiet)
        : m_check(check), m_logName(logPath.string()), m_err(err), m_quiet(quiet) {}

    void qso(const LogQso& qso) override {
        ++qsos;
        m_check.add(qso);
    }
    void problem(const LogProblem& problem) override {
        ++problems;
        if (!m_quiet) m_err << m_logName << ":" << problem.line << ": " << problem.message << ", line skipped\n";
    }
    void note(const LogProblem& note) override {
        if (!m_quiet) m_err << m_logName << ":" << note.line << ": " << note.message << "\n";
    }

    std::size_t qsos = 0;
    std::size_t problems = 0;

private:
    LogCheck& m_check;
    std::string m_logName;
    std::ostream& m_err;
    bool m_quiet;
};

std::string OwnCallOf(const CommandLine& cmd, const LogSurvey& survey) {
    std::string call = !cmd.call.empty() ? ToUpperAscii(cmd.call) : !survey.header.ownCall.empty() ? survey.header.ownCall : survey.firstMyCall;
    if (call.empty()) throw Unusable{"the log names no own call; give it with --call"};
    if (call.size() > kMaxCallLength || call.find_first_of(" \t") != std::string::npos)
        throw Unusable{"the own call \"" + call.substr(0, kMaxCallLength) + (call.size() > kMaxCallLength ? "..." : "") +
                       "\" is not a call sign (at most " + std::to_string(kMaxCallLength) + " characters); give it with --call"};
    return call;
}

int Run(const CommandLine& cmd, std::ostream& out, std::ostream& err, UpperCaseText upperCase) {
    const fs::path logPath = cmd.logPath;
    LogSurvey survey;
    {
        std::ifstream log = OpenLog(logPath);
        survey.header = ReadContestLog(log, survey);
    }
    if (survey.header.format == LogFormat::unknown)
        throw Unusable{logPath.string() + ": " + (survey.unreadable.empty() ? "not a log" : survey.unreadable)};
    if (survey.qsos == 0) {
        if (!cmd.quiet) {
            for (const LogProblem& problem : survey.firstProblems)
                err << logPath.string() << ":" << problem.line << ": " << problem.message << ", line skipped\n";
            if (survey.problems > survey.firstProblems.size())
                err << logPath.string() << ": and " << survey.problems - survey.firstProblems.size() << " more lines skipped\n";
        }
        throw Unusable{logPath.string() + ": no QSO could be read from the log"};
    }

    CheckSettings settings;
    settings.ownCall = OwnCallOf(cmd, survey);
    const fs::path districtsPath = cmd.districtsPath.empty() ? logPath.parent_path() / "zelk.txt" : fs::path(cmd.districtsPath);
    try {
        settings.districtList = ReadWholeFile(districtsPath, "the district list");
    } catch (const Unusable& missing) {
        throw Unusable{missing.message + (cmd.districtsPath.empty() ? "; give the district list with --districts" : "")};
    }

    const auto period = PeriodAround(survey.first, survey.last);
    settings.contestStart = cmd.start.empty() ? period.first : ParseDateOption(cmd.start, "--start");
    settings.contestEnd = cmd.end.empty() ? period.second : ParseDateOption(cmd.end, "--end");
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
    const fs::path badQsoSide = cmd.noBadQsoFile ? fs::temp_directory_path() / ("zelk-check-" + badQsoPath.filename().string() + ".tmp")
                                                 : SideFileOf(badQsoPath);
    SideFile badQsoSideFile(badQsoSide);
    settings.badQsoDiskPath = badQsoSide.string();
    settings.expectedQsos = survey.qsos;

    LogCheck check(settings);
    LogRun run(check, logPath, err, cmd.quiet);
    {
        std::ifstream log = OpenLog(logPath);
        ReadContestLog(log, run);
    }
    const CheckOutcome outcome = check.finish();

    std::vector<PlannedOutput> outputs;
    if (!cmd.noBadQsoFile) outputs.push_back({badQsoPath, {}, badQsoSide, false});
    if (cmd.cabrillo) {
        if (!outcome.cabrilloFile) throw Unusable{"the Cabrillo file was not produced: " + outcome.cabrilloMessage};
        outputs.push_back({outputDir / outcome.cabrilloFile->name, outcome.cabrilloFile->content, {}, true});
    }
    if (!cmd.summaryPath.empty()) outputs.push_back({cmd.summaryPath, outcome.summary, {}, false});
    const std::vector<std::optional<std::string>> notWritten = WriteOutputs(outputs, cmd.force, logPath);

    if (cmd.summaryPath.empty()) out << outcome.summary << std::flush;

    err << logPath.string() << ": " << FormatName(survey.header.format) << ", " << Plural(run.qsos, "QSO", "QSOs")
        << " read, " << Plural(run.problems, "line", "lines") << " skipped; " << outcome.qsosLogged << " logged, "
        << outcome.qsosRejected << " rejected; " << Plural(outcome.findingLines, "finding line", "finding lines");
    if (!cmd.noBadQsoFile) err << " in " << badQsoPath.string();
    err << "\n";
    bool allWritten = true;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (notWritten[i])
            err << "zelk-check: " << *notWritten[i] << "\n";
        else if (outputs[i].keepExisting)
            err << "Cabrillo log written: " << outputs[i].path.string() << "\n";
        allWritten = allWritten && !notWritten[i];
    }
    if (!allWritten) return kUnusable;
    return outcome.findingLines > 0 || run.problems > 0 ? kLogHasFindings : kLogClean;
}

void DescribeOptions(CLI::App& app, CommandLine& cmd) {
    app.set_version_flag("--version", std::string("zelk-check ") + kStatsVersion);
    app.footer(kExamples);
    app.add_option("log", cmd.logPath, "The contest log: Cabrillo (2.0 or 3.0) or ADIF, recognised from its content")
        ->option_text("LOG")
        ->required();
    app.add_option("-d,--districts", cmd.districtsPath, "District list (default: zelk.txt beside the log)")->option_text("FILE");
    app.add_option("-c,--call", cmd.call, "Own call (default: the log's CALLSIGN: or STATION_CALLSIGN)")->option_text("CALL");
    app.add_option("--start", cmd.start, "Contest start \"YYYY-MM-DD HH:MM\" (default: the hour of the first QSO)")->option_text("DATE");
    app.add_option("--end", cmd.end, "Contest end \"YYYY-MM-DD HH:MM\" (default: the hour after the last QSO)")->option_text("DATE");
    app.add_option("--country", cmd.countries,
                   "Country prefix of every worked station, or CALL=PREFIX for one call (UR is checked for districts)")
        ->option_text("[CALL=]PREFIX");
    app.add_flag("--html", cmd.html, "Summary as HTML instead of text");
    app.add_option("-s,--summary", cmd.summaryPath, "Write the summary into this file instead of standard output")->option_text("FILE");
    app.add_option("-o,--output-dir", cmd.outputDir, "Folder for the bad-QSO file and the Cabrillo file (default: .)")->option_text("DIR");
    app.add_flag("--no-bad-qso-file", cmd.noBadQsoFile, "Do not write the bad-QSO file");
    app.add_flag("--cabrillo", cmd.cabrillo, "Also write the contest's Cabrillo file <CALL>.cbr");
    app.add_option("--header", cmd.headerPath, "Cabrillo header values: Key=value lines (\\n for a line break)")->option_text("FILE");
    app.add_option("--set", cmd.headerSettings, "One Cabrillo header value KEY=VALUE, over the file's")->option_text("KEY=VALUE");
    app.add_option("--created-by", cmd.createdBy, "Text after \"CREATED-BY: Vexl \" in the Cabrillo file")->option_text("TEXT (Vexl)");
    app.add_flag("-f,--force", cmd.force, "Overwrite output files that exist");
    app.add_flag("-q,--quiet", cmd.quiet, "No message for each skipped line, only their count");
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
