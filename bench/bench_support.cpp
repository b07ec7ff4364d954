#include "bench_support.h"

#include <algorithm>
#include <fstream>
#include <random>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Known district codes "AB01".."AB24" style, one line per code in the district file's form.
std::string DistrictCode(std::size_t index) {
    std::string code = {static_cast<char>('A' + index % 6), static_cast<char>('K' + index / 6)};
    code += static_cast<char>('0' + index / 10 % 10);
    code += static_cast<char>('0' + index % 10);
    return code;
}

}  // namespace

std::string ContestCall(std::size_t number) {
    static const char* const kPrefixes[] = {"UR", "UT", "DL", "OK", "SP", "UA", "K", "G"};
    constexpr std::size_t kTwoLetters = 26 * 26, kThreeLetters = 26 * 26 * 26;
    constexpr std::size_t kCalls = 8 * 10 * (kTwoLetters + kThreeLetters);
    // Multiplying by a prime coprime to kCalls is a bijection: distinct numbers give distinct
    // calls, spread over all of them, so small and large logs have calls of the same shapes.
    std::size_t index = number % kCalls * 1'000'003 % kCalls;
    std::string call = kPrefixes[index % 8];
    index /= 8;
    call += static_cast<char>('0' + index % 10);
    index /= 10;
    std::size_t letters = 2;
    if (index >= kTwoLetters) {
        index -= kTwoLetters;
        letters = 3;
    }
    for (; letters != 0; --letters, index /= 26) call += static_cast<char>('A' + index % 26);
    return call;
}

std::vector<OwnedQso> MakeContest(std::size_t count, unsigned seed) {
    static const char* const kBands[] = {"160m", "80m", "40m"};
    static const unsigned kFrequencies[] = {1830000, 3520000, 7012000};
    static const char* const kModes[] = {"CW", "SSB"};
    std::mt19937 rng(seed);
    std::vector<OwnedQso> qsos;
    qsos.reserve(count);
    const OleDateTime start = MakeOleDate(2017, 5, 5, 21, 0);
    for (std::size_t i = 0; i < count; ++i) {
        OwnedQso q;
        const bool repeat = i > 0 && rng() % 20 == 0;
        const std::size_t number = repeat ? rng() % i : i;
        q.call = ContestCall(number);
        const unsigned band = repeat ? static_cast<unsigned>(number % 3) : rng() % 3;
        q.band = kBands[band];
        q.frequencyHz = kFrequencies[band] + rng() % 20000;
        q.mode = kModes[repeat ? number % 2 : rng() % 2];
        q.country = q.call.starts_with("UR") || q.call.starts_with("UT") ? "UR" : "DL";
        if (q.country == "UR") {
            const std::size_t district = rng() % (kBenchDistrictCount * 4 / 3);
            q.exchReceived = district < kBenchDistrictCount ? DistrictCode(district) : "ZZ99";
        } else {
            q.exchReceived = std::to_string(100 + rng() % 900);
        }
        q.time = start;
        q.time.m_dt += static_cast<double>(i) / 86400.0;  // one QSO a second
        qsos.push_back(std::move(q));
    }
    return qsos;
}

void PrepareBenchState(ContestState& state, MemoryFileStore& files) {
    std::string districtFile;
    for (std::size_t i = 0; i < kBenchDistrictCount; ++i) {
        const std::string code = DistrictCode(i);
        districtFile += code.substr(0, 2) + "-" + code.substr(2) + " District " + std::to_string(i) + "\r\n";
    }
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

std::vector<OwnedQso> TypingPattern(const std::vector<OwnedQso>& contest, std::size_t logged,
                                    std::size_t calls, unsigned seed) {
    static const char* const kBands[] = {"160m", "80m", "40m"};
    static const char* const kModes[] = {"CW", "SSB"};
    std::mt19937 rng(seed);
    std::vector<OwnedQso> entered;
    for (std::size_t i = 0; i < calls; ++i) {
        OwnedQso q;
        if (i % 2 == 0) {
            q.call = contest[rng() % logged].call;
        } else {
            // Station numbers far above any benchmarked log size are never logged.
            q.call = ContestCall(1'000'000 + i);
        }
        q.band = kBands[rng() % 3];
        q.mode = kModes[rng() % 2];
        q.country = q.call.starts_with("UR") || q.call.starts_with("UT") ? "UR" : "DL";
        entered.push_back(std::move(q));
    }
    std::shuffle(entered.begin(), entered.end(), rng);
    std::vector<OwnedQso> keystrokes;
    for (const OwnedQso& q : entered)
        for (std::size_t length = 1; length <= q.call.size(); ++length) {
            OwnedQso typed = q;
            typed.call.resize(length);
            keystrokes.push_back(std::move(typed));
        }
    return keystrokes;
}

void LinearFillPrevRows(const QsoLog& log, std::string_view call, const std::vector<std::string>& bandNames,
                        PrevRows& rows) {
    for (auto& row : rows)
        for (std::size_t k = 1; k < row.size(); ++k) row[k] = "   -";
    if (call.empty()) return;
    const std::size_t n = log.count();
    for (std::size_t i = 0; i < n; ++i) {
        const CInfo& qso = log.at(i);
        for (std::size_t r = 0; r < rows.size() && r < bandNames.size(); ++r) {
            if (qso.m_band != bandNames[r] || qso.m_call != call) continue;
            if (const auto column = ModeColumn(qso.m_mode))
                rows[r][static_cast<std::size_t>(*column) + 1] = FormatOleDate(qso.m_time, "%H:%M");
        }
    }
}

std::size_t HeapBytesInUse() {
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // blocks from the heap and blocks mapped on their own
#else
    return 0;
#endif
}

void ReturnFreeMemoryToSystem() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

std::size_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
    return 0;
}
