// The offline log checker on a 100,000-QSO contest log held in memory, once as Cabrillo and once
// as the same QSOs in ADIF: reading alone, and reading with the whole check (reset, every add,
// results) as zelk-check runs it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "checker/log_check.h"
#include "logs/log_reader.h"

#if defined(__unix__) && defined(ZELK_CHECK_PROGRAM)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#define ZELK_CHECK_CHILD 1
#endif

namespace {

constexpr std::size_t kLogQsos = 100'000;
constexpr std::size_t kStations = 60'000;
constexpr const char* kOwnCall = "UT5ZZ";

const char* const kDistricts[] = {"KI-01", "KR-02", "VI-03", "VO-04", "DN-05", "DO-06", "ZH-07",
                                  "ZA-08", "ZP-09", "IF-10", "KO-11", "LU-12", "LV-13", "MY-14",
                                  "OD-15", "PO-16", "RI-17", "SU-18", "TE-19", "KH-20", "KE-21",
                                  "KM-22", "CK-23", "CV-24", "CN-25"};
constexpr std::size_t kDistrictCount = std::size(kDistricts);
const char* const kBadCodes[] = {"ZZ99", "KI1", "KY01", "K101", "LV31"};

// Station `number`'s call: a prefix (four of sixteen Ukrainian), a digit and three letters,
// distinct per number below 2,812,160 and spread over all of them.
struct Prefix {
    const char* text;
    bool ukrainian;
};
constexpr Prefix kPrefixes[] = {{"UR", true}, {"UT", true}, {"UX", true}, {"EM", true},
                                {"DL", false}, {"SP", false}, {"OK", false}, {"HA", false},
                                {"YO", false}, {"LY", false}, {"OM", false}, {"UA", false},
                                {"G", false},  {"I", false},  {"K", false},  {"OH", false}};

struct Station {
    std::string call;
    bool ukrainian = false;
};

Station StationOf(std::size_t number) {
    constexpr std::size_t kCalls = std::size(kPrefixes) * 10 * 26 * 26 * 26;
    std::size_t index = number % kCalls * 1'000'003 % kCalls;  // a prime coprime to kCalls: a bijection
    const Prefix& prefix = kPrefixes[index % std::size(kPrefixes)];
    index /= std::size(kPrefixes);
    Station station{prefix.text, prefix.ukrainian};
    station.call += static_cast<char>('0' + index % 10);
    index /= 10;
    for (int letter = 0; letter < 3; ++letter, index /= 26) station.call += static_cast<char>('A' + index % 26);
    return station;
}

struct Band {
    unsigned lowKHz, widthKHz;
    const char* name;
};
// The contest's three bands, and 20m for the odd QSO outside the contest.
constexpr Band kBands[] = {{1810, 40, "160m"}, {3500, 100, "80m"}, {7000, 100, "40m"}, {14000, 100, "20m"}};

struct Mode {
    const char* cabrilloCode;
    const char* adifMode;
    const char* adifSubmode;  // empty: no SUBMODE
    const char* rst;
};
// Weighted as a mixed-mode contest: CW and SSB most, the digital modes less.
constexpr Mode kModes[] = {{"CW", "CW", "", "599"},         {"CW", "CW", "", "599"},
                           {"CW", "CW", "", "599"},         {"PH", "SSB", "", "59"},
                           {"PH", "SSB", "", "59"},         {"RY", "RTTY", "", "599"},
                           {"PS", "PSK", "PSK31", "599"},   {"PM", "PSK", "PSK63", "599"},
                           {"QS", "PSK", "QPSK31", "599"},  {"MF", "MFSK", "MFSK16", "599"}};

struct GeneratedQso {
    std::string call;
    const Band* band = nullptr;
    unsigned kHz = 0;
    const Mode* mode = nullptr;
    OleDateTime time;
    std::string exchSent;
    std::string exchReceived;
    bool ukrainian = false;
};

// One QSO a second from 2017-05-05 21:00 over 60,000 stations ("UR5ABC", "DL3XY", ...; a quarter
// Ukrainian), each worked on any band in any mode, so now and then a QSO repeats a band and mode
// its station was worked on (a dupe); one in two hundred is on 20m, outside the contest.
// Ukrainian stations keep one district code; one QSO of theirs in thirty is logged with a bad
// code and one in fifty in lower case.
std::vector<GeneratedQso> MakeLogQsos() {
    std::mt19937 rng(2017);
    std::vector<GeneratedQso> qsos;
    qsos.reserve(kLogQsos);
    const OleDateTime start = MakeOleDate(2017, 5, 5, 21, 0);
    for (std::size_t i = 0; i < kLogQsos; ++i) {
        GeneratedQso q;
        const std::size_t station = rng() % kStations;
        const Station worked = StationOf(station);
        q.call = worked.call;
        q.ukrainian = worked.ukrainian;
        q.band = rng() % 200 == 0 ? &kBands[3] : &kBands[rng() % 3];
        q.kHz = q.band->lowKHz + rng() % q.band->widthKHz;
        q.mode = &kModes[rng() % std::size(kModes)];
        q.time = start;
        q.time.m_dt += static_cast<double>(i) / 86400.0;
        q.exchSent = std::to_string(i + 1);
        if (q.exchSent.size() < 3) q.exchSent.insert(0, 3 - q.exchSent.size(), '0');
        if (q.ukrainian) {
            const std::string district = kDistricts[station % kDistrictCount];
            q.exchReceived = district.substr(0, 2) + district.substr(3);
            const unsigned roll = rng() % 150;
            if (roll < std::size(kBadCodes))
                q.exchReceived = kBadCodes[roll];
            else if (roll < std::size(kBadCodes) + 3)
                for (char& c : q.exchReceived) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        } else {
            q.exchReceived = std::to_string(100 + station % 900);
        }
        qsos.push_back(std::move(q));
    }
    return qsos;
}

std::string DistrictFile() {
    std::string text;
    for (const char* district : kDistricts) text += std::string(district) + " District\r\n";
    return text;
}

std::string CabrilloText(const std::vector<GeneratedQso>& qsos) {
    std::string text =
        "START-OF-LOG: 3.0\r\nCALLSIGN: UT5ZZ\r\nCONTEST: ZELK\r\nCATEGORY-OPERATOR: SINGLE-OP\r\n"
        "CREATED-BY: zelk_check_bench\r\n";
    char line[160];
    for (const GeneratedQso& q : qsos) {
        const std::string when = FormatOleDate(q.time, "%Y-%m-%d %H%M");
        std::snprintf(line, sizeof line, "QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n",
                      static_cast<int>(q.kHz), q.mode->cabrilloCode, when.c_str(), kOwnCall, q.mode->rst,
                      q.exchSent.c_str(), q.call.c_str(), q.mode->rst, q.exchReceived.c_str());
        text += line;
    }
    text += "END-OF-LOG:\r\n";
    return text;
}

void AppendAdifField(std::string& text, std::string_view name, std::string_view value) {
    if (value.empty()) return;
    text += '<';
    text += name;
    text += ':';
    text += std::to_string(value.size());
    text += '>';
    text += value;
    text += ' ';
}

std::string AdifText(const std::vector<GeneratedQso>& qsos) {
    std::string text =
        "ZELK contest log of UT5ZZ\r\n<ADIF_VER:5>3.1.0 <PROGRAMID:17>zelk_check_bench <EOH>\r\n";
    char freq[16];
    for (const GeneratedQso& q : qsos) {
        std::snprintf(freq, sizeof freq, "%u.%03u", q.kHz / 1000, q.kHz % 1000);
        AppendAdifField(text, "CALL", q.call);
        AppendAdifField(text, "QSO_DATE", FormatOleDate(q.time, "%Y%m%d"));
        AppendAdifField(text, "TIME_ON", FormatOleDate(q.time, "%H%M"));
        AppendAdifField(text, "FREQ", freq);
        AppendAdifField(text, "BAND", q.band->name);
        AppendAdifField(text, "MODE", q.mode->adifMode);
        AppendAdifField(text, "SUBMODE", q.mode->adifSubmode);
        AppendAdifField(text, "RST_SENT", q.mode->rst);
        AppendAdifField(text, "RST_RCVD", q.mode->rst);
        AppendAdifField(text, "STX_STRING", q.exchSent);
        AppendAdifField(text, "SRX_STRING", q.exchReceived);
        AppendAdifField(text, "STATION_CALLSIGN", kOwnCall);
        if (q.ukrainian) {
            AppendAdifField(text, "DXCC", "288");
            AppendAdifField(text, "COUNTRY", "Ukraine");
        }
        text += "<EOR>\r\n";
    }
    return text;
}

// The generated log in both formats, and the settings zelk-check takes for it by default.
struct BenchLogs {
    std::string cabrillo;
    std::string adif;
    CheckSettings settings;
};

const BenchLogs& Logs() {
    static const BenchLogs logs = [] {
        const std::vector<GeneratedQso> qsos = MakeLogQsos();
        BenchLogs made{CabrilloText(qsos), AdifText(qsos), {}};
        made.settings.districtList = DistrictFile();
        made.settings.ownCall = kOwnCall;
        const auto period = PeriodOfQsos(ReadContestLog(made.cabrillo));
        made.settings.contestStart = period->first;
        made.settings.contestEnd = period->second;
        return made;
    }();
    return logs;
}

const std::string& LogText(LogFormat format) {
    return format == LogFormat::cabrillo ? Logs().cabrillo : Logs().adif;
}

// Why the figures would mean nothing: both files must read completely and check alike.
const char* LogsDisagree() {
    static const char* const reason = []() -> const char* {
        const LogContents cabrillo = ReadContestLog(Logs().cabrillo);
        const LogContents adif = ReadContestLog(Logs().adif);
        if (cabrillo.qsos.size() != kLogQsos || !cabrillo.problems.empty() || adif.qsos.size() != kLogQsos ||
            !adif.problems.empty())
            return "the generated log does not read completely";
        const CheckOutcome fromCabrillo = CheckLog(cabrillo, Logs().settings);
        const CheckOutcome fromAdif = CheckLog(adif, Logs().settings);
        if (fromCabrillo.summary != fromAdif.summary || fromCabrillo.badQsoFile.content != fromAdif.badQsoFile.content)
            return "the Cabrillo and ADIF logs check differently";
        return nullptr;
    }();
    return reason;
}

bool LogsAgree(benchmark::State& bench) {
    if (const char* reason = LogsDisagree()) {
        bench.SkipWithError(reason);
        return false;
    }
    return true;
}

void SetCounters(benchmark::State& bench, std::size_t bytes) {
    bench.counters["per_qso"] = benchmark::Counter(static_cast<double>(kLogQsos),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations() * bytes));
}

void BM_ReadLog(benchmark::State& bench, LogFormat format) {
    const std::string& text = LogText(format);
    if (!LogsAgree(bench)) return;
    for (auto _ : bench) benchmark::DoNotOptimize(ReadContestLog(text));
    SetCounters(bench, text.size());
}

// What zelk-check does between loading the file and writing its outputs; range(0) also asks for
// the Cabrillo file.
void BM_ReadAndCheckLog(benchmark::State& bench, LogFormat format) {
    const std::string& text = LogText(format);
    if (!LogsAgree(bench)) return;
    CheckSettings settings = Logs().settings;
    settings.cabrillo = bench.range(0) != 0;
    std::size_t findings = 0, rejected = 0;
    for (auto _ : bench) {
        const CheckOutcome outcome = CheckLog(ReadContestLog(text), settings);
        findings = outcome.findingLines;
        rejected = outcome.qsosRejected;
        benchmark::DoNotOptimize(outcome);
    }
    SetCounters(bench, text.size());
    bench.counters["finding_lines"] = static_cast<double>(findings);
    bench.counters["rejected"] = static_cast<double>(rejected);
}

#ifdef ZELK_CHECK_CHILD
// The zelk-check program run on the log written to a file, as a user runs it, in a process of its
// own. A process forked from this one would count this one's memory as its own (the pages it
// starts with), so the runs are forked by a small spawner process, itself forked before this
// program grew: its children's maximum resident sets are the checker's alone.
struct ChildRun {
    int exitCode = -1;
    double peakMegabytes = 0;
};

class Spawner {
public:
    Spawner() {
        int requests[2], replies[2];
        if (pipe(requests) != 0 || pipe(replies) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            close(requests[1]);
            close(replies[0]);
            Serve(requests[0], replies[1]);
        }
        close(requests[0]);
        close(replies[1]);
        m_requests = requests[1];
        m_replies = replies[0];
    }

    // Runs zelk-check on `log` with outputs into `outputDir`.
    ChildRun run(const std::string& log, const std::string& outputDir) {
        ChildRun result;
        const std::string request = log + '\n' + outputDir + '\n';
        if (m_pid <= 0 || write(m_requests, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return result;
        if (read(m_replies, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) return {};
        return result;
    }

private:
    static std::string ReadLine(int from) {
        std::string line;
        char c;
        while (read(from, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    [[noreturn]] static void Serve(int requests, int replies) {
        while (true) {
            const std::string log = ReadLine(requests), outputDir = ReadLine(requests);
            if (log.empty()) _exit(0);
            ChildRun result;
            const pid_t child = fork();
            if (child == 0) {
                std::freopen("/dev/null", "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                // Another build's program may be compared through the environment.
                const char* program = std::getenv("ZELK_CHECK_PROGRAM");
                execl(program ? program : ZELK_CHECK_PROGRAM, "zelk-check", "--force", "-o", outputDir.c_str(), log.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            int status = 0;
            rusage usage{};
            if (child > 0 && wait4(child, &status, 0, &usage) == child) {
                result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux gives kilobytes
            }
            if (write(replies, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) _exit(1);
        }
    }

    pid_t m_pid = -1;
    int m_requests = -1, m_replies = -1;
};

// Made while the program is still small, before the benchmarks run.
Spawner g_spawner;

ChildRun RunZelkCheck(const std::filesystem::path& log, const std::filesystem::path& outputDir) {
    return g_spawner.run(log.string(), outputDir.string());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// n copies of one QSO in ADIF: n(n-1)/2 dupe lines.
std::string SameQsoAdif(std::size_t copies) {
    std::string text = "<ADIF_VER:5>3.1.0 <EOH>\r\n";
    for (std::size_t i = 0; i < copies; ++i)
        text += "<CALL:5>UT2AB <QSO_DATE:8>20170505 <TIME_ON:4>2101 <FREQ:5>3.512 <MODE:2>CW <RST_SENT:3>599 "
                "<RST_RCVD:3>599 <STX_STRING:3>001 <SRX_STRING:4>KI01 <STATION_CALLSIGN:5>UT5ZZ <EOR>\r\n";
    return text;
}

constexpr std::size_t kSameQsoCopies = 2'000;

// Peak memory of a whole zelk-check run, as a user runs it (each finding named on standard
// error): "peak_MB" is the child's maximum resident set. The 100,000-QSO log as Cabrillo and as
// ADIF, and 2,000 copies of one QSO, whose 1,999,000 dupe lines make a 160 MB bad-QSO file. The
// files go to a scratch folder that is removed afterwards.
void BM_ZelkCheckPeakMemory(benchmark::State& bench, LogFormat format, bool sameQso) {
    if (!LogsAgree(bench)) return;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zelk_check_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path log = folder / (format == LogFormat::cabrillo ? "UT5ZZ.cbr" : "UT5ZZ.adi");
    WriteFile(log, sameQso ? SameQsoAdif(kSameQsoCopies) : LogText(format));
    WriteFile(folder / "zelk.txt", *Logs().settings.districtList);
    ChildRun run;
    for (auto _ : bench) run = RunZelkCheck(log, folder);
    std::filesystem::remove_all(folder);
    if (run.exitCode != 1) {  // the generated log has findings
        bench.SkipWithError("zelk-check did not check the log");
        return;
    }
    bench.counters["peak_MB"] = run.peakMegabytes;
}
#endif

}  // namespace

BENCHMARK_CAPTURE(BM_ReadLog, cabrillo, LogFormat::cabrillo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadLog, adif, LogFormat::adif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadAndCheckLog, cabrillo, LogFormat::cabrillo)
    ->ArgName("cbr_file")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadAndCheckLog, adif, LogFormat::adif)
    ->ArgName("cbr_file")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef ZELK_CHECK_CHILD
BENCHMARK_CAPTURE(BM_ZelkCheckPeakMemory, cabrillo, LogFormat::cabrillo, false)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ZelkCheckPeakMemory, adif, LogFormat::adif, false)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ZelkCheckPeakMemory, same_qso_2000, LogFormat::adif, true)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
