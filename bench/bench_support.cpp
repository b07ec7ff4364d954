#include "bench_support.h"

#include <fstream>
#include <random>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::string CallOf(std::size_t number) {
    static const char* const kPrefixes[] = {"UR", "UT", "DL", "OK", "SP", "UA", "K", "G"};
    std::string call = kPrefixes[number % 8];
    call += static_cast<char>('0' + number / 8 % 10);
    for (std::size_t rest = number / 80 + 1; rest != 0; rest /= 26) call += static_cast<char>('A' + rest % 26);
    return call;
}

}  // namespace

std::vector<OwnedQso> MakeContest(std::size_t count, unsigned seed) {
    static const char* const kBands[] = {"160m", "80m", "40m"};
    static const unsigned kFrequencies[] = {1830000, 3520000, 7012000};
    static const char* const kModes[] = {"CW", "SSB"};
    static const char* const kDistricts[] = {"KV05", "LV01", "OD03", "ZZ99"};
    std::mt19937 rng(seed);
    std::vector<OwnedQso> qsos;
    qsos.reserve(count);
    const OleDateTime start = MakeOleDate(2017, 5, 5, 21, 0);
    for (std::size_t i = 0; i < count; ++i) {
        OwnedQso q;
        const bool repeat = i > 0 && rng() % 20 == 0;
        const std::size_t number = repeat ? rng() % i : i;
        q.call = CallOf(number);
        const unsigned band = repeat ? static_cast<unsigned>(number % 3) : rng() % 3;
        q.band = kBands[band];
        q.frequencyHz = kFrequencies[band] + rng() % 20000;
        q.mode = kModes[repeat ? number % 2 : rng() % 2];
        q.country = q.call.starts_with("UR") || q.call.starts_with("UT") ? "UR" : "DL";
        q.exchReceived = q.country == "UR" ? kDistricts[rng() % 4] : std::to_string(100 + rng() % 900);
        q.time = start;
        q.time.m_dt += static_cast<double>(i) / 86400.0;  // one QSO a second
        qsos.push_back(std::move(q));
    }
    return qsos;
}

void PrepareBenchState(ContestState& state, MemoryFileStore& files) {
    const std::string districtFile = "KV-05 Kyiv\r\nLV-01 Lviv\r\nOD-03 Odesa\r\n";
    state.districtList.load(&districtFile);
    state.qsoLog.clear();
    state.bandsWorked.clear();
    state.badQsoFileName = kBenchBadQsoFile;
    CreateBadQsoFile(files, state.badQsoFileName);
}

std::size_t LinearCountMatching(const QsoLog& log, std::string_view call, std::string_view band,
                                std::string_view mode) {
    std::size_t count = 0;
    for (const CInfo& record : log)
        if (record.m_call == call && record.m_band == band && record.m_mode == mode) ++count;
    return count;
}

std::optional<std::size_t> LinearRemovalMatch(const QsoLog& log, std::string_view call, std::string_view band,
                                              std::string_view mode, const OleDateTime& time) {
    for (std::size_t i = 0; i < log.count(); ++i) {
        const CInfo& record = log.at(i);
        if (record.m_call == call && record.m_band == band && record.m_mode == mode &&
            SameDateTime(record.m_time, time))
            return i;
    }
    return std::nullopt;
}

std::size_t HeapBytesInUse() {
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

std::size_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
    return 0;
}
