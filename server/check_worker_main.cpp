// zelk-check-worker: checks uploaded logs for zelk-server, in a process of its own under limits,
// so that no log can take the site down with it. The server keeps a few of them and gives each
// one log at a time:
//   zelk-check-worker --memory-mb N --cpu-seconds N --stack-mb N --scratch DIR
// A request on standard input is "DISTRICTS_BYTES START END LOG_BYTES\n", the district list, then
// the log (START and END as OLE dates); its answer on standard output is "BYTES\n" and one JSON
// object {"usable": bool, "refusal": text, "check": {...}}. Each log may take --cpu-seconds of
// processor time; the memory and stack limits hold for the process. It ends at the end of its
// input. Exit 3: out of memory.
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "server/check_json.h"
#include "server/text_encoding.h"
#include "server/upload_check.h"

namespace {

void Limit(int resource, rlim_t value) {
    rlimit limit{value, value};
    if (::getrlimit(resource, &limit) == 0 && limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value) value = limit.rlim_max;
    limit.rlim_cur = value;
    if (resource != RLIMIT_CPU) limit.rlim_max = value;
    ::setrlimit(resource, &limit);
}

// A fault the site's tests ask for, to see that the server survives it: with
// ZELK_CHECK_WORKER_TEST_FAULTS=1 in the environment (never set by the site), a log that holds
// "ZELK-TEST-FAULT: crash" (or hang, spin, memory) gets that fault instead of its check.
void PlantedFault(const std::string& log) {
    static const bool enabled = std::getenv("ZELK_CHECK_WORKER_TEST_FAULTS") != nullptr;
    if (!enabled) return;
    const std::size_t at = log.find("ZELK-TEST-FAULT: ");
    if (at == std::string::npos) return;
    const std::string kind = log.substr(at + 17, log.find_first_of("\r\n", at) - at - 17);
    if (kind == "crash") {
#if defined(__SANITIZE_ADDRESS__)
        std::abort();  // the sanitizer turns a SIGSEGV into an exit with its report
#else
        std::raise(SIGSEGV);
#endif
    }
    if (kind == "hang")
        for (;;) ::pause();
    if (kind == "spin")
        for (;;) asm volatile("");
    if (kind == "memory") {
        std::vector<std::vector<char>> hoard;
        for (;;) hoard.emplace_back(64 << 20, 'x');
    }
}

// The processor time this process may still use: `seconds` from now.
void AllowProcessorTime(long seconds) {
    rusage used{};
    ::getrusage(RUSAGE_SELF, &used);
    const double spent = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                         static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    rlimit limit{};
    ::getrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = std::max(static_cast<rlim_t>(spent) + 1, static_cast<rlim_t>(std::llround(spent + static_cast<double>(seconds))));
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_CPU, &limit);
}

}  // namespace

int main(int argc, char** argv) {
    long memoryMb = 1024, cpuSeconds = 20, stackMb = 16;
    std::string scratch = ".";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--memory-mb") memoryMb = std::atol(value);
        else if (name == "--cpu-seconds") cpuSeconds = std::atol(value);
        else if (name == "--stack-mb") stackMb = std::atol(value);
        else if (name == "--scratch") scratch = value;
    }
    // The limits hold before a byte of the log is read. AddressSanitizer reserves terabytes of
    // address space for its shadow: a sanitized build goes without the memory limit.
#if !defined(__SANITIZE_ADDRESS__)
    Limit(RLIMIT_AS, static_cast<rlim_t>(memoryMb) << 20);
#endif
    Limit(RLIMIT_STACK, static_cast<rlim_t>(stackMb) << 20);
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_NPROC, 0);
    try {
        std::ios::sync_with_stdio(false);
        for (;;) {
            std::size_t districtBytes = 0, logBytes = 0;
            double start = 0, end = 0;
            if (!(std::cin >> districtBytes >> start >> end >> logBytes)) return std::cin.eof() ? 0 : 2;
            if (std::cin.get() != '\n') return 2;
            ContestRules rules;
            rules.districtList.resize(districtBytes);
            std::string log(logBytes, '\0');
            if (!std::cin.read(rules.districtList.data(), static_cast<std::streamsize>(districtBytes)) ||
                !std::cin.read(log.data(), static_cast<std::streamsize>(logBytes)))
                return 2;
            rules.start.m_dt = start;
            rules.end.m_dt = end;
            AllowProcessorTime(cpuSeconds);
            PlantedFault(log);

            const UploadCheck check = CheckUpload(log, rules, scratch);
            const std::string answer =
                nlohmann::json{{"usable", check.usable}, {"refusal", TextAsUtf8(check.refusal)}, {"check", CheckJson(check)}}
                    .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            std::cout << answer.size() << '\n' << answer << std::flush;
            if (!std::cout) return 2;
        }
    } catch (const std::bad_alloc&) {
        return 3;
    }
}
