// Soak benchmark of the host's thread: the real Stats.dll plays a contest for a while, with a busy
// load beside it, with the operator windows closed, open with a host that answers on threads of its
// own, and open with a GUI host (its object served by the host's own thread as it takes its
// messages), and the call times of each export are reported side by side (p50, p99.9, max).
//
//   host_soak [--seconds N] [--busy N] [--prefill QSOS] [--dll PATH]
//
// The log is filled with --prefill QSOs (20,000 unless told) before the timed play, and a new
// contest starts once it has grown by 20,000 more.
//
// Each run is a child process of its own (host_soak --run closed|open|gui ...), so that a run whose
// unload hangs still hands in its figures and the next run starts in a fresh process. The busy
// threads spin in this process for both runs.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "boundary/stats_api.h"
#include "engine/ole_date.h"
#include "latency_table.h"
#include "tools/fake_host.h"
#include "tools/screenshot.h"

namespace {

const char* const kPumpRow = "(PeekMessage)";
const std::vector<std::string> kExports = {"CheckCallFunc0", "AddData0", "RemoveData0", "GetResult0", "ResetStats0", kPumpRow};

struct Options {
    int seconds = 60;
    int busy = 2;
    std::size_t prefill = 20000;  // QSOs in the log before the timed play
    std::string dllPath;
    std::string run;          // a child's run: "closed", "open" or "gui"
    std::string resultsPath;  // where a child writes its figures
};

std::string ProgramPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

template <typename Pointer>
Pointer Bind(HMODULE module, const char* name) {
    auto pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!pointer) throw std::runtime_error(std::string("Stats.dll does not export ") + name);
    return pointer;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// The plug-in's Start switch: a reset finding "0" (or nothing) starts the windows and sets it to
// "1"; one finding "1" leaves them closed and sets it back to "0" for the next reset.
void KeepWindowsClosedAtNextReset(const std::string& folder) {
    WritePrivateProfileStringA("Settings", "Start", "1", (folder + "\\Plugins\\ZELK.ini").c_str());
}

// A contest folder as a host leaves it: the district list and the plug-in's ini file, with both
// list windows to be shown when the windows open.
void PrepareFolder(const std::string& folder, bool windowsOpen) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\Plugins").c_str(), nullptr);
    std::ofstream(folder + "\\Plugins\\zelk.txt", std::ios::binary)
        << "KI-01 Kyiv\r\nCH-02 Chernihiv\r\nLV-03 Lviv\r\nOD-04 Odesa\r\nKH-05 Kharkiv\r\nDN-06 Dnipro\r\n";
    const std::string ini = folder + "\\Plugins\\ZELK.ini";
    DeleteFileA(ini.c_str());
    const std::pair<const char*, const char*> keys[] = {
        {"Start", windowsOpen ? "0" : "1"}, {"setup_view_zelk", "1"}, {"setup_view_prev_qso", "1"},
        {"setup_x", "540"}, {"setup_y", "10"}, {"prev_x", "10"}, {"prev_y", "10"}, {"zelk_x", "10"}, {"zelk_y", "250"}};
    for (const auto& [key, value] : keys) WritePrivateProfileStringA("Settings", key, value, ini.c_str());
}

bool WaitFor(const auto& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        PumpMessages();
        Sleep(10);
    }
    return true;
}

// The stations worked: Ukrainian ones send a district of the list, the others a serial number.
struct Station {
    std::string call, country, exchange;
};

std::vector<Station> MakeStations(std::mt19937& random) {
    static const char* const kDistricts[] = {"KI01", "CH02", "LV03", "OD04", "KH05", "DN06"};
    static const char* const kForeign[] = {"DL", "OK", "SP", "G", "K", "JA"};
    std::vector<Station> stations;
    for (int i = 0; i < 4000; ++i) {
        std::string suffix;
        for (int letter = 0; letter < 3; ++letter) suffix += static_cast<char>('A' + random() % 26);
        const bool ukrainian = random() % 2 == 0;
        const std::string digit(1, static_cast<char>('0' + random() % 10));
        if (ukrainian) {
            stations.push_back({(random() % 2 ? "UR" : "UT") + digit + suffix, "UR", kDistricts[random() % 6]});
        } else {
            stations.push_back({kForeign[random() % 6] + digit + suffix, "DL", std::to_string(1 + random() % 999)});
        }
    }
    return stations;
}

struct Band {
    const char* name;
    unsigned hz;
};
constexpr Band kBands[] = {{"160m", 1830000}, {"80m", 3550000}, {"40m", 7020000}};
const char* const kModes[] = {"CW", "SSB"};
constexpr std::size_t kContestGrowth = 20000;

// One run on this process's thread, which plays the host's thread; its figures go to the results
// file before the library is unloaded.
int PlayRun(const Options& options) {
    const bool windowsOpen = options.run != "closed";
    const std::string folder = FolderOf(ProgramPath()) + "\\soak-" + options.run;
    PrepareFolder(folder, windowsOpen);
    SetCurrentDirectoryA(folder.c_str());
    const std::string iniPrefix = folder + "\\";

    // Before the library: the host's object outlives the plug-in's hold on it.
    FakeHost host(options.run == "gui" ? FakeHost::Kind::gui : FakeHost::Kind::ownThread);
    host.setModeFollowsMacros(true);
    host.setMode("CW");
    host.setFrequency(kBands[1].hz);

    HMODULE module = LoadLibraryA(options.dllPath.c_str());
    if (!module) throw std::runtime_error("cannot load " + options.dllPath);
    const auto reset = Bind<stats_api::ResetStats0>(module, "ResetStats0");
    const auto add = Bind<stats_api::AddData0>(module, "AddData0");
    const auto remove = Bind<stats_api::RemoveData0>(module, "RemoveData0");
    const auto check = Bind<stats_api::CheckCallFunc0>(module, "CheckCall0");
    const auto results = Bind<stats_api::GetResult0>(module, "GetResult0");

    LatencySamples samples;
    const auto timedStep = [&](const std::string& name, const auto& step) {
        const auto before = std::chrono::steady_clock::now();
        step();
        const auto took = std::chrono::steady_clock::now() - before;
        samples.add(name, std::chrono::duration_cast<std::chrono::nanoseconds>(took).count());
    };
    // The host's own message pump after each call is timed too: it is no export, but under Wine
    // the thread's trips to the wineserver there share that server with the windows.
    const auto timed = [&](const std::string& name, const auto& call) {
        timedStep(name, call);
        timedStep(kPumpRow, PumpMessages);
    };
    const OleDateTime start = MakeOleDate(2017, 5, 5, 21, 0), end = MakeOleDate(2017, 5, 6, 3, 0);
    const auto resetContest = [&] {
        if (!windowsOpen) KeepWindowsClosedAtNextReset(folder);
        stats_api::CallReset(reset, iniPrefix.c_str(), 0, "UT1AA", start, end, "DL");
    };
    // The first reset, which opens the windows in one of the runs, is not timed.
    resetContest();

    if (windowsOpen) {
        // Open once the setup window and both list windows are shown and the first refresh has
        // asked the host for the mode.
        const bool shown = WaitFor([] { return OperatorWindows().size() >= 3; }, 20000) &&
                           host.waitForCalls(FakeHost::getMode, 1, 20000);
        if (!shown) throw std::runtime_error("the operator windows did not open");
    }

    std::mt19937 random(20170505);
    const std::vector<Station> stations = MakeStations(random);
    std::vector<stats_api::Qso> logged;
    int qsoNumber = 0;
    const auto nextQso = [&](const Station& station) {
        const Band& band = kBands[(qsoNumber / 200) % 3];
        stats_api::Qso qso;
        qso.myCall = "UT1AA";
        qso.call = station.call.c_str();
        qso.time = start;
        qso.time.m_dt += (qsoNumber % 21600) / 86400.0;  // one QSO a second through the six contest hours
        qso.frequencyHz = band.hz;
        qso.mode = kModes[(qsoNumber / 600) % 2];
        qso.exchSent = "001";
        qso.exchReceived = station.exchange.c_str();
        qso.country = station.country.c_str();
        qso.band = band.name;
        return qso;
    };
    // The log is filled first, untimed, so that every timed call meets a log of that size.
    while (logged.size() < options.prefill) {
        const stats_api::Qso qso = nextQso(stations[random() % stations.size()]);
        stats_api::CallWithQso(add, qso);
        logged.push_back(qso);
        ++qsoNumber;
        if (qsoNumber % 100 == 0) PumpMessages();
    }
    const std::size_t prefilled = logged.size();
    // A new contest starts when the log has grown this far past the filling.
    const std::size_t logLimit = prefilled + kContestGrowth;
    const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (std::chrono::steady_clock::now() < stop) {
        const Station& station = stations[random() % stations.size()];
        const Band& band = kBands[(qsoNumber / 200) % 3];
        const char* mode = kModes[(qsoNumber / 600) % 2];
        if (qsoNumber % 200 == 0) {
            host.setFrequency(band.hz);
            host.setMode(mode);
        }
        // The operator types the call; the host checks it after every key.
        for (std::size_t length = 1; length <= station.call.size(); ++length) {
            const std::string typed = station.call.substr(0, length);
            host.setEntryField(typed);
            timed("CheckCallFunc0", [&] {
                stats_api::CallCheck(check, typed.c_str(), mode, station.country.c_str(), band.name, band.name);
            });
        }
        const stats_api::Qso qso = nextQso(station);
        timed("AddData0", [&] { stats_api::CallWithQso(add, qso); });
        logged.push_back(qso);
        host.setEntryField("");
        ++qsoNumber;

        if (qsoNumber % 10 == 0) {
            const std::size_t victim = random() % logged.size();
            timed("RemoveData0", [&] { stats_api::CallWithQso(remove, logged[victim]); });
            logged.erase(logged.begin() + static_cast<std::ptrdiff_t>(victim));
        }
        if (qsoNumber % 50 == 0) {
            int out = 0;
            timed("GetResult0", [&] { results(&out); });
        }
        if (logged.size() >= logLimit) {
            timed("ResetStats0", resetContest);
            logged.clear();
        }
    }

    const std::size_t logLength = logged.size();
    // The operator starts the next contest over the full log.
    timed("ResetStats0", resetContest);
    logged.clear();

    std::map<std::string, LatencySummary> summaries;
    for (const auto& [name, micros] : samples.byExport()) summaries[name] = Summarise(micros);
    {
        std::ofstream file(options.resultsPath, std::ios::binary);
        WriteSummaries(file, summaries);
        file << "host-calls " << host.callCount(FakeHost::getEntryField) << ' ' << host.callCount(FakeHost::getFrequency)
             << ' ' << host.callCount(FakeHost::getMode) << " 0\n";
        file << "qsos " << qsoNumber - static_cast<int>(prefilled) << " 0 0 0\n";
        file << "log " << logLength << " 0 0 0\n";
    }

    // Let the refreshes in flight end before the unload, as a host that stops typing does.
    int asked = -1;
    for (int i = 0; i < 40 && asked != host.callCount(FakeHost::getEntryField); ++i) {
        asked = host.callCount(FakeHost::getEntryField);
        WaitFor([] { return false; }, 150);
    }
    FreeLibrary(module);
    return 0;
}

// Spins until told to stop: the load beside the contest.
class BusyLoad {
public:
    explicit BusyLoad(int threads) {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] {
                while (!m_stop.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~BusyLoad() {
        m_stop = true;
        for (auto& thread : m_threads) thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

// Runs one run in a child process and reads its figures. A child that has handed in its figures
// but does not end (an unload that hangs) is ended and said so.
std::map<std::string, LatencySummary> RunChild(const Options& options, const std::string& run) {
    const std::string folder = FolderOf(ProgramPath());
    const std::string resultsPath = folder + "\\soak-" + run + ".txt";
    DeleteFileA(resultsPath.c_str());
    std::ostringstream commandLine;
    commandLine << '"' << ProgramPath() << "\" --run " << run << " --seconds " << options.seconds << " --prefill " << options.prefill
                << " --dll \""
                << options.dllPath << "\" --results \"" << resultsPath << '"';
    std::string command = commandLine.str();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        throw std::runtime_error("cannot start the " + run + " run");
    const DWORD limitMs = static_cast<DWORD>(options.seconds + 120) * 1000;
    if (WaitForSingleObject(child.hProcess, limitMs) == WAIT_TIMEOUT) {
        std::cerr << "host_soak: the " << run << " run did not end after its figures; ended it\n";
        TerminateProcess(child.hProcess, 3);
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    std::ifstream file(resultsPath, std::ios::binary);
    auto summaries = ReadSummaries(file);
    if (summaries.empty()) throw std::runtime_error("the " + run + " run gave no figures (exit " + std::to_string(code) + ")");
    return summaries;
}

int Report(const Options& options) {
    std::cout << "Soak of the host's thread: " << options.seconds << " s per run, " << options.busy
              << " busy thread(s) beside it, " << std::thread::hardware_concurrency() << " processor(s), "
              << options.prefill << " QSOs logged before the timed play\n";
    BusyLoad load(options.busy);
    std::vector<std::pair<std::string, std::map<std::string, LatencySummary>>> runs;
    for (const char* run : {"closed", "open", "gui"}) {
        const std::string title = std::string(run) == "gui" ? "open, GUI host" : std::string("windows ") + run;
        std::cout << "  " << title << "..." << std::flush;
        runs.emplace_back(title, RunChild(options, run));
        const auto& figures = runs.back().second;
        std::cout << " " << figures.at("qsos").calls << " QSOs played, " << figures.at("log").calls
                  << " in the log at the end; the windows asked the host "
                  << figures.at("host-calls").calls << " times for the call typed\n";
    }
    std::cout << '\n';
    PrintSideBySide(std::cout, kExports, runs);
    return 0;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    options.dllPath = FolderOf(ProgramPath()) + "\\Stats.dll";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) options.seconds = std::stoi(argv[++i]);
        else if (arg == "--busy" && hasValue) options.busy = std::stoi(argv[++i]);
        else if (arg == "--prefill" && hasValue) options.prefill = std::stoul(argv[++i]);
        else if (arg == "--dll" && hasValue) options.dllPath = argv[++i];
        else if (arg == "--run" && hasValue) options.run = argv[++i];
        else if (arg == "--results" && hasValue) options.resultsPath = argv[++i];
        else throw std::runtime_error("usage: host_soak [--seconds N] [--busy N] [--prefill QSOS] [--dll PATH]");
    }
    if (options.seconds < 1 || options.busy < 0) throw std::runtime_error("--seconds must be 1 or more, --busy 0 or more");
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = ParseOptions(argc, argv);
        return options.run.empty() ? Report(options) : PlayRun(options);
    } catch (const std::exception& error) {
        std::cerr << "host_soak: " << error.what() << "\n";
        return 2;
    }
}
