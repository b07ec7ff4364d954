#include "engine/contest_rules.h"

namespace {

constexpr std::string_view kModeColumnNames[kModeColumns] = {
    "CW", "SSB", "MFSK", "BPSK31", "BPSK63", "BPSK125", "QPSK31", "QPSK63", "QPSK125", "RTTY"};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

CContestRules::CContestRules(const char* const* names, std::size_t count)
    : m_names(names, names + count) {}

bool CContestRules::contains(std::string_view text) const {
    for (const auto& name : m_names)
        if (EqualsIgnoringCase(name, text)) return true;
    return false;
}

std::optional<int> BandIndex(std::string_view band) {
    for (int i = 0; i < kContestBands; ++i)
        if (band == contest_tables::kBandNames[i]) return i;
    return std::nullopt;
}

std::optional<int> ModeColumn(std::string_view mode) {
    for (int i = 0; i < kModeColumns; ++i)
        if (mode == kModeColumnNames[i]) return i;
    return std::nullopt;
}

std::string_view ModeColumnName(int column) { return kModeColumnNames[column]; }
