#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

// Call times of each export in one run, in nanoseconds.
class LatencySamples {
public:
    void add(const std::string& exportName, std::int64_t nanos) { m_samples[exportName].push_back(nanos); }
    const std::map<std::string, std::vector<std::int64_t>>& byExport() const { return m_samples; }

private:
    std::map<std::string, std::vector<std::int64_t>> m_samples;
};

// What is reported of one export in one run.
struct LatencySummary {
    std::int64_t calls = 0;
    std::int64_t p50 = 0, p999 = 0, max = 0;  // nanoseconds
};

// The nearest-rank percentiles: p50 is the smallest time that at least half the calls kept to,
// p99.9 the one that all but one call in a thousand kept to.
LatencySummary Summarise(std::vector<std::int64_t> nanos);

// Runs by name ("closed", "open"), each a summary per export.
using RunSummaries = std::map<std::string, std::map<std::string, LatencySummary>>;

// One line per export, "name calls p50 p999 max", as a run hands its figures to the report.
void WriteSummaries(std::ostream& out, const std::map<std::string, LatencySummary>& summaries);
std::map<std::string, LatencySummary> ReadSummaries(std::istream& in);

// The runs side by side, one row per export in the order given, times in microseconds.
void PrintSideBySide(std::ostream& out, const std::vector<std::string>& exportOrder,
                     const std::vector<std::pair<std::string, std::map<std::string, LatencySummary>>>& runs);
