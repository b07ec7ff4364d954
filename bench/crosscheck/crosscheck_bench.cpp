// The committee's cross-check on simulated contests of 200 and 2,000 logs of 1,000 QSOs each
// (Cabrillo 3.0, 2.0 and ADIF in turn), read from files: reading, matching and scoring, then the
// same with every report rendered. The logs are written once per size, outside the timing.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/contest_simulator/contest_simulator.h"
#include "crosscheck/crosscheck_run.h"
#include "crosscheck/results_pages.h"
#include "crosscheck/ubn_report.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kQsosPerLog = 1000;

std::string DistrictList() {
    std::ifstream file(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The benchmark's folder, removed when the program ends.
struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("zelk_crosscheck_bench_" + std::to_string(getpid()));
    ~BenchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
};

// The folder of a simulated contest of `logs` logs, written on first use.
const std::vector<fs::path>& ContestFiles(std::size_t logs) {
    static std::map<std::size_t, std::vector<fs::path>> written;
    auto& files = written[logs];
    if (!files.empty()) return files;
    static const BenchFolder root;
    const fs::path folder = root.path / std::to_string(logs);
    fs::create_directories(folder);
    {
        SimulatorSettings settings;
        settings.stations = logs;
        settings.qsosPerLog = kQsosPerLog;
        settings.districts = DistrictCodesOf(DistrictList());
        const SimulatedContest contest = SimulateContest(settings);
        for (const SimulatedLog& log : contest.logs) {
            std::ofstream(folder / log.fileName, std::ios::binary) << log.text;
            files.push_back(folder / log.fileName);
        }
    }
    malloc_trim(0);  // the simulation's memory goes back before the peak is measured
    return files;
}

// The peak resident memory counted from now on (Linux: writing 5 to clear_refs resets it).
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

double PeakMemoryMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void Report(benchmark::State& state, const CrossCheckRun& run) {
    state.counters["logs"] = static_cast<double>(run.results.size());
    state.counters["qsos"] = static_cast<double>(run.qsos);
    state.counters["peak_rss_MB"] = PeakMemoryMB();
}

void BM_CrossCheck(benchmark::State& state) {
    const auto& files = ContestFiles(static_cast<std::size_t>(state.range(0)));
    CrossCheckSettings settings;
    settings.districtList = DistrictList();
    ResetPeakMemory();
    for (auto _ : state) {
        const CrossCheckRun run = RunCrossCheck(files, settings);
        Report(state, run);
    }
}

void BM_CrossCheckWithReports(benchmark::State& state) {
    const auto& files = ContestFiles(static_cast<std::size_t>(state.range(0)));
    CrossCheckSettings settings;
    settings.districtList = DistrictList();
    ResetPeakMemory();
    for (auto _ : state) {
        const CrossCheckRun run = RunCrossCheck(files, settings);
        std::size_t bytes = ResultsHtml(run, settings.rules).size() + ResultsCsv(run, settings.rules).size();
        for (const LogResult& result : run.results)
            bytes +=
                UbnText(run, result, settings.rules).size() + UbnHtml(run, result, settings.rules).size();
        state.counters["report_MB"] = static_cast<double>(bytes) / 1e6;
        Report(state, run);
    }
}

BENCHMARK(BM_CrossCheck)
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_CrossCheckWithReports)
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
