#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/contest_simulator/contest_simulator.h"

namespace fs = std::filesystem;

namespace {

// A CSV field in quotes, its own quotes doubled.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

// Writes a simulated contest's logs into a folder, with the truth of every QSO line beside them.
int main(int argc, char** argv) {
    CLI::App app(
        "Plays a ZELK contest between simulated stations and writes each participant's log "
        "(Cabrillo 3.0, 2.0 and ADIF in turn) with planted errors whose truth it records.",
        "zelk-contest-sim");
    SimulatorSettings settings;
    std::string districts, folder, truthPath;
    app.add_option("-n,--stations", settings.stations, "Participants that send a log")->capture_default_str();
    app.add_option("--qsos", settings.qsosPerLog, "QSOs per log on average")->capture_default_str();
    app.add_option("--seed", settings.seed, "Seed of the random choices")->capture_default_str();
    app.add_option("--planted", settings.plantedOfEachKind, "Planted errors of each kind")
        ->capture_default_str();
    app.add_option("-d,--districts", districts, "District list whose codes the UR stations send")->required();
    app.add_option("-o,--output-dir", folder, "Folder for the logs (created)")->required();
    app.add_option("--truth", truthPath, "CSV file of the truth: file, line, verdict, label");
    std::string included;
    app.add_option("--include", included,
                   "A real log that joins the contest; the stations it worked log their side");
    CLI11_PARSE(app, argc, argv);

    std::ifstream list(districts, std::ios::binary);
    if (!list) {
        std::cerr << "zelk-contest-sim: cannot read " << districts << "\n";
        return 2;
    }
    std::ostringstream text;
    text << list.rdbuf();
    settings.districts = DistrictCodesOf(text.str());

    if (!included.empty()) {
        std::ifstream file(included, std::ios::binary);
        if (!file) {
            std::cerr << "zelk-contest-sim: cannot read " << included << "\n";
            return 2;
        }
        std::ostringstream log;
        log << file.rdbuf();
        settings.includedFileName = fs::path(included).filename().string();
        settings.includedText = log.str();
    }
    const SimulatedContest contest = SimulateContest(settings);
    std::error_code error;
    fs::create_directories(folder, error);
    for (const SimulatedLog& log : contest.logs)
        std::ofstream(fs::path(folder) / log.fileName, std::ios::binary) << log.text;
    if (!truthPath.empty()) {
        std::ofstream truth(truthPath, std::ios::binary);
        truth << "File,Line,Verdict,Planted\r\n";
        for (const TruthRecord& record : contest.truth)
            truth << Quoted(record.fileName) << "," << record.line << "," << TruthName(record.truth) << ","
                  << Quoted(record.label) << "\r\n";
    }
    std::cout << contest.logs.size() << " logs written into " << folder << "; planted:";
    for (const auto& [kind, count] : contest.planted) std::cout << " " << kind << " " << count << ";";
    std::cout << "\n";
    return 0;
}
