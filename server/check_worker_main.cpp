// zelk-check-worker: checks one uploaded log for zelk-server, in a process of its own under
// limits, so that no log can take the site down with it. The server starts it for each upload:
//   zelk-check-worker --memory-mb N --cpu-seconds N --stack-mb N --scratch DIR
// and writes on its standard input "DISTRICTS_BYTES START END\n", the district list, then the log
// to the end (START and END as OLE dates). The answer on standard output is one JSON object:
// {"usable": bool, "refusal": text, "check": {...}}. Exit 3: out of memory.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <iterator>
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

// A fault the site's tests ask for, to see that the server survives it.
void PlantedFault() {
    const char* fault = std::getenv("ZELK_CHECK_WORKER_FAULT");
    if (!fault) return;
    const std::string kind = fault;
    if (kind == "crash") std::raise(SIGSEGV);
    if (kind == "hang") for (;;) ::pause();
    if (kind == "spin")
        for (;;) asm volatile("");
    if (kind == "memory") {
        std::vector<std::vector<char>> hoard;
        for (;;) hoard.emplace_back(64 << 20, 'x');
    }
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
    // The limits hold before a byte of the log is read.
    Limit(RLIMIT_AS, static_cast<rlim_t>(memoryMb) << 20);
    Limit(RLIMIT_CPU, static_cast<rlim_t>(cpuSeconds));
    Limit(RLIMIT_STACK, static_cast<rlim_t>(stackMb) << 20);
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_NPROC, 0);
    try {
        std::ios::sync_with_stdio(false);
        std::size_t districtBytes = 0;
        double start = 0, end = 0;
        if (!(std::cin >> districtBytes >> start >> end) || std::cin.get() != '\n') return 2;
        ContestRules rules;
        rules.districtList.resize(districtBytes);
        if (!std::cin.read(rules.districtList.data(), static_cast<std::streamsize>(districtBytes))) return 2;
        rules.start.m_dt = start;
        rules.end.m_dt = end;
        const std::string log((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        PlantedFault();

        const UploadCheck check = CheckUpload(log, rules, scratch);
        const nlohmann::json answer = {
            {"usable", check.usable}, {"refusal", TextAsUtf8(check.refusal)}, {"check", CheckJson(check)}};
        std::cout << answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::flush;
        return std::cout ? 0 : 2;
    } catch (const std::bad_alloc&) {
        return 3;
    }
}
