#include "latency_table.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace {

std::int64_t NearestRank(const std::vector<std::int64_t>& sorted, double fraction) {
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

double Micros(std::int64_t nanos) { return static_cast<double>(nanos) / 1000.0; }

}  // namespace

LatencySummary Summarise(std::vector<std::int64_t> nanos) {
    LatencySummary summary;
    if (nanos.empty()) return summary;
    std::sort(nanos.begin(), nanos.end());
    summary.calls = static_cast<std::int64_t>(nanos.size());
    summary.p50 = NearestRank(nanos, 0.5);
    summary.p999 = NearestRank(nanos, 0.999);
    summary.max = nanos.back();
    return summary;
}

void WriteSummaries(std::ostream& out, const std::map<std::string, LatencySummary>& summaries) {
    for (const auto& [name, s] : summaries) out << name << ' ' << s.calls << ' ' << s.p50 << ' ' << s.p999 << ' ' << s.max << '\n';
}

std::map<std::string, LatencySummary> ReadSummaries(std::istream& in) {
    std::map<std::string, LatencySummary> summaries;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        LatencySummary s;
        if (fields >> name >> s.calls >> s.p50 >> s.p999 >> s.max) summaries[name] = s;
    }
    return summaries;
}

void PrintSideBySide(std::ostream& out, const std::vector<std::string>& exportOrder,
                     const std::vector<std::pair<std::string, std::map<std::string, LatencySummary>>>& runs) {
    constexpr int kName = 16, kCalls = 9, kTime = 11;
    out << std::left << std::setw(kName) << "";
    for (const auto& [run, _] : runs) out << std::left << std::setw(kCalls + 3 * kTime + 3) << ("| " + run);
    out << '\n' << std::left << std::setw(kName) << "export";
    for (std::size_t i = 0; i < runs.size(); ++i)
        out << "| " << std::right << std::setw(kCalls) << "calls" << std::setw(kTime) << "p50 us" << std::setw(kTime)
            << "p99.9 us" << std::setw(kTime) << "max us" << ' ';
    out << '\n';
    for (const std::string& name : exportOrder) {
        out << std::left << std::setw(kName) << name;
        for (const auto& [run, summaries] : runs) {
            const auto found = summaries.find(name);
            const LatencySummary s = found == summaries.end() ? LatencySummary{} : found->second;
            out << "| " << std::right << std::setw(kCalls) << s.calls << std::fixed << std::setprecision(1)
                << std::setw(kTime) << Micros(s.p50) << std::setw(kTime) << Micros(s.p999) << std::setw(kTime)
                << Micros(s.max) << ' ';
        }
        out << '\n';
    }
}
