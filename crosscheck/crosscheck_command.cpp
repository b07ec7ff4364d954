#include "crosscheck/crosscheck_command.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "stats_version.h"
#include "checker/buffered_output.h"
#include "checker/command_values.h"
#include "logs/qso_fields.h"
#include "crosscheck/escaping.h"
#include "crosscheck/crosscheck_run.h"
#include "crosscheck/ranked_category.h"
#include "crosscheck/results_folder.h"

namespace fs = std::filesystem;

namespace {

enum ExitCode : int { kAllRead = 0, kSomeSkipped = 1, kUnusable = 2 };

constexpr const char* kExamples = R"(Examples:
  Check every log in logs/ (zelk.txt beside them) and write the results into results/:
    zelk-crosscheck logs
  With the district list and contest period given, a 2-QSO penalty per not-in-log QSO:
    zelk-crosscheck --districts zelk.txt --start "2017-05-05 21:00" --end "2017-05-06 03:00" --nil-penalty 2 -o out logs

The output folder is replaced whole on every run: <CALL>.ubn.txt and <CALL>.html per log,
results.html and results.csv, and checks.csv with every QSO's verdict.
Exit codes: 0 every log read whole, 1 some logs or lines were skipped, 2 nothing usable or bad options.
)";

struct CommandLine {
    std::string logFolder;
    std::string districtsPath;
    std::string start, end;
    std::string categoriesPath;
    std::string outputDir = "results";
    int windowMinutes = 5;
    bool noBustedCalls = false;
    int nilPenalty = 0;
    bool removeUniques = false;
    bool quiet = false;
};

// The log files of the folder: every file but the district list and hidden files.
std::vector<fs::path> LogFilesIn(const fs::path& folder, const fs::path& districts) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) throw Unusable{folder.string() + " is not a folder of logs"};
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') || fs::equivalent(entry.path(), districts, error)) continue;
        files.push_back(entry.path());
    }
    if (error) throw Unusable{"cannot list " + folder.string() + ": " + error.message()};
    return files;
}

std::string Share(std::size_t part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%",
                  whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

int Run(const CommandLine& cmd, std::ostream& out, std::ostream& err) {
    const auto began = std::chrono::steady_clock::now();
    const fs::path folder = cmd.logFolder;
    const fs::path districtsPath =
        cmd.districtsPath.empty() ? folder / "zelk.txt" : fs::path(cmd.districtsPath);
    if (cmd.windowMinutes < 0) throw Unusable{"--window must not be negative"};
    if (cmd.nilPenalty < 0) throw Unusable{"--nil-penalty must not be negative"};
    if (cmd.start.empty() != cmd.end.empty()) throw Unusable{"give both --start and --end, or neither"};

    CrossCheckSettings settings;
    try {
        settings.districtList = ReadWholeFile(districtsPath, "the district list");
    } catch (const Unusable& missing) {
        throw Unusable{missing.message +
                       (cmd.districtsPath.empty() ? "; give the district list with --districts" : "")};
    }
    if (!cmd.start.empty())
        settings.period = std::pair(ParseDateOption(cmd.start, "--start"), ParseDateOption(cmd.end, "--end"));
    settings.rules.windowSeconds = cmd.windowMinutes * 60;
    settings.rules.bustedCalls = !cmd.noBustedCalls;
    settings.rules.nilPenalty = cmd.nilPenalty;
    settings.rules.removeUniques = cmd.removeUniques;

    // The results group the stations by the categories of the contest's table, by their human names.
    std::optional<CategoryTable> ownTable;
    if (!cmd.categoriesPath.empty()) {
        try {
            ownTable = CategoryTable::FromJson(ReadWholeFile(cmd.categoriesPath, "the category table"));
        } catch (const CategoryTableError& error) {
            throw Unusable{"--categories " + cmd.categoriesPath + ": " + error.what()};
        }
    }
    const CategoryTable& categories = ownTable ? *ownTable : CategoryTable::Default();
    settings.eachLog = [&categories](CrossLog& log) {
        if (const CategoryEntry* entry = HeaderCategoryOf(log, categories)) RankInCategory(log, categories, entry);
    };

    const CrossCheckRun run = RunCrossCheck(LogFilesIn(folder, districtsPath), settings);

    std::size_t skippedLines = 0, notScored = 0;
    BufferedOutput messages(err);
    for (const CrossLog& log : run.logs) {
        std::ostream& named = messages.stream();
        // A file name may hold a line break; each message stays one line.
        const std::string where = ShownText((folder / log.fileName).string(), std::string::npos);
        skippedLines += log.skippedCount;
        if (!cmd.quiet) {
            for (const SkippedLine& skipped : log.skipped)
                named << where << ":" << skipped.line << ": " << skipped.reason
                    << ", line skipped\n";
            for (const MessageCap::Withheld& withheld : log.skippedWithheld)
                named << where << ": " << WithheldLine(withheld) << ", line skipped\n";
        }
        if (!log.unreadable.empty()) {
            ++notScored;
            named << where << ": not scored: " << log.unreadable << "\n";
        } else if (!log.categories.empty() && !categories.find(log.categories.front().first)) {
            named << where << ": the category lines (" << ShownText(log.categoryText(), 80)
                  << ") name no category of the contest; ranked under them as they are\n";
        }
        if (log.unreadable.empty() && log.ownCallFromFileName) {
            named << where << ": the log names no own call; " << log.ownCall
                << " taken from the file name\n";
        }
    }
    messages.flush();
    for (const std::string& clash : run.clashes) err << "two logs of one station: " << clash << "\n";
    if (run.results.empty()) throw Unusable{"no usable log in " + folder.string()};

    std::string error;
    if (!WriteResultsFolder(cmd.outputDir, run, settings.rules, error)) throw Unusable{error};

    const auto count = [&](Verdict verdict) { return CountOf(run.totals, verdict); };
    const std::size_t confirmed = count(Verdict::matched) + count(Verdict::bustedExchange);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    out << "Logs: " << run.logs.size() << " found, " << run.results.size() << " scored, " << notScored
        << " not scored; " << skippedLines << (skippedLines == 1 ? " line" : " lines") << " skipped\n"
        << "QSOs: " << run.qsos << ", matched " << confirmed << " (" << Share(confirmed, run.qsos) << ")\n"
        << "Not in log: " << count(Verdict::notInLog) << ", busted calls: " << count(Verdict::bustedCall)
        << ", busted exchanges: " << count(Verdict::bustedExchange) << ", uniques: " << count(Verdict::unique)
        << ", not checkable: " << count(Verdict::notCheckable) << ", repeats: " << count(Verdict::dupe)
        << ", outside the contest: " << count(Verdict::rejected)
        << ", outside the period: " << count(Verdict::outsidePeriod) << "\n"
        << "Results: " << (fs::path(cmd.outputDir) / "results.html").string() << "\n"
        << "Time: " << time << "\n";
    return notScored > 0 || skippedLines > 0 ? kSomeSkipped : kAllRead;
}

void DescribeOptions(CLI::App& app, CommandLine& cmd) {
    app.set_version_flag("--version", std::string("zelk-crosscheck ") + kStatsVersion);
    app.footer(kExamples);
    app.add_option("logs", cmd.logFolder,
                   "Folder of the participants' logs: Cabrillo (2.0 or 3.0) or ADIF, found by content")
        ->option_text("FOLDER")
        ->required();
    app.add_option("-d,--districts", cmd.districtsPath,
                   "District list (default: zelk.txt in the folder of logs)")
        ->option_text("FILE");
    app.add_option("--start", cmd.start,
                   "Contest start \"YYYY-MM-DD HH:MM\"; QSOs before it lose their credit (default: the hour "
                   "of the first QSO of all logs)")
        ->option_text("DATE");
    app.add_option("--end", cmd.end,
                   "Contest end \"YYYY-MM-DD HH:MM\", not included (default: the hour after the last QSO)")
        ->option_text("DATE");
    app.add_option("--categories", cmd.categoriesPath,
                   "The contest's category table (JSON); the results group the stations by its categories "
                   "(default: the ZELK table)")
        ->option_text("FILE");
    app.add_option("-o,--output-dir", cmd.outputDir,
                   "Folder for the reports and results, replaced whole (default: results)")
        ->option_text("DIR");
    app.add_option("--window", cmd.windowMinutes,
                   "Largest time difference of two records of one QSO, in minutes")
        ->option_text("MINUTES (5)");
    app.add_flag(
        "--no-busted-calls", cmd.noBustedCalls,
        "Do not look for the station a wrong call was meant to be: such QSOs are not in log or unique");
    app.add_option("--nil-penalty", cmd.nilPenalty,
                   "QSO points taken for each not-in-log QSO, on top of its own")
        ->option_text("N (0)");
    app.add_flag("--remove-uniques", cmd.removeUniques, "Uniques lose their credit too");
    app.add_flag("-q,--quiet", cmd.quiet, "No message for each skipped line, only their count");
}

}  // namespace

int CrossCheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    try {
        CLI::App app(
            "Checks the participants' ZELK contest logs against each other and writes each one's UBN report "
            "(uniques, busted and not-in-log QSOs), the checked scores and the results.",
            "zelk-crosscheck");
        CommandLine cmd;
        DescribeOptions(app, cmd);
        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            out << app.help();
            return kAllRead;
        } catch (const CLI::CallForVersion&) {
            out << "zelk-crosscheck " << kStatsVersion << "\n";
            return kAllRead;
        } catch (const CLI::ParseError& error) {
            err << "zelk-crosscheck: " << error.what() << "\nRun zelk-crosscheck --help for the options.\n";
            return kUnusable;
        }
        return Run(cmd, out, err);
    } catch (const Unusable& unusable) {
        err << "zelk-crosscheck: " << unusable.message << "\n";
    } catch (const std::exception& error) {
        err << "zelk-crosscheck: " << error.what() << "\n";
    } catch (...) {
        err << "zelk-crosscheck: unexpected failure\n";
    }
    return kUnusable;
}
