// The committee's cross-check on simulated contests of 200 and 2,000 logs of 1,000 QSOs each
// (Cabrillo 3.0, 2.0 and ADIF in turn), read from files: reading, matching and scoring, then the
// same with every report rendered, then the whole program with every file written. The logs are
// written once per size, outside the timing. Each run reports the process's CPU time (all its
// threads) beside the wall time, and the machine's load average when it ended.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/contest_simulator/contest_simulator.h"
#include "crosscheck/crosscheck_command.h"
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

// User and system time of every thread of the process so far, in seconds.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's CPU time of the runs (one iteration each) and the load the machine had.
void ReportCpu(benchmark::State& state, double cpuBefore) {
    state.counters["cpu_s"] = ProcessCpuSeconds() - cpuBefore;
    double load[1] = {0};
    if (getloadavg(load, 1) == 1) state.counters["load"] = load[0];
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
    const double cpu = ProcessCpuSeconds();
    for (auto _ : state) {
        const CrossCheckRun run = RunCrossCheck(files, settings);
        Report(state, run);
    }
    ReportCpu(state, cpu);
}

void BM_CrossCheckWithReports(benchmark::State& state) {
    const auto& files = ContestFiles(static_cast<std::size_t>(state.range(0)));
    CrossCheckSettings settings;
    settings.districtList = DistrictList();
    ResetPeakMemory();
    const double cpu = ProcessCpuSeconds();
    for (auto _ : state) {
        const CrossCheckRun run = RunCrossCheck(files, settings);
        std::size_t bytes = ResultsHtml(run, settings.rules).size() + ResultsCsv(run, settings.rules).size();
        for (const LogResult& result : run.results)
            bytes +=
                UbnText(run, result, settings.rules).size() + UbnHtml(run, result, settings.rules).size();
        state.counters["report_MB"] = static_cast<double>(bytes) / 1e6;
        Report(state, run);
    }
    ReportCpu(state, cpu);
}

// What a committee runs: zelk-crosscheck on the folder, every file written (checks.csv as well)
// into an output folder that the run before wrote, so it is replaced.
void BM_CrossCheckProgram(benchmark::State& state) {
    const auto& files = ContestFiles(static_cast<std::size_t>(state.range(0)));
    const fs::path folder = files.front().parent_path();
    const std::string districts = (folder.parent_path() / "zelk.txt").string();
    if (!fs::exists(districts)) std::ofstream(districts, std::ios::binary) << DistrictList();
    const std::string output = (folder.parent_path() / ("out-" + folder.filename().string())).string();
    const std::string logs = folder.string();
    const char* argv[] = {"zelk-crosscheck", "-q", "--districts", districts.c_str(), "-o", output.c_str(),
                          logs.c_str()};
    ResetPeakMemory();
    const double cpu = ProcessCpuSeconds();
    for (auto _ : state) {
        std::ostringstream out, err;
        if (CrossCheckMain(static_cast<int>(std::size(argv)), argv, out, err) == 2)
            state.SkipWithError(("zelk-crosscheck failed: " + err.str()).c_str());
    }
    state.counters["peak_rss_MB"] = PeakMemoryMB();
    ReportCpu(state, cpu);
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
BENCHMARK(BM_CrossCheckProgram)
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
