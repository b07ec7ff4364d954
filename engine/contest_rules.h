#pragma once

#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A fixed list of names with a letter-case-blind membership test (the band and mode checks).
class CContestRules {
public:
    CContestRules(const char* const* names, std::size_t count);

    bool contains(std::string_view text) const;
    std::size_t size() const { return m_names.size(); }
    const std::string& operator[](std::size_t i) const { return m_names.at(i); }

private:
    std::vector<std::string> m_names;
};

namespace contest_tables {
inline constexpr const char* kBandNames[] = {"160m", "80m", "40m"};
inline constexpr const char* kModeNames[] = {"CW",     "SSB",    "BPSK31",  "BPSK63", "BPSK125",
                                             "QPSK31", "QPSK63", "QPSK125", "MFSK",   "RTTY"};
}  // namespace contest_tables

// The contest's bands and modes, for the whole life of the library.
inline const CContestRules g_bandList(contest_tables::kBandNames, std::size(contest_tables::kBandNames));
inline const CContestRules g_modeList(contest_tables::kModeNames, std::size(contest_tables::kModeNames));

constexpr int kBandSlots = 6;     // tables indexed by band keep six slots; 0..2 are used
constexpr int kContestBands = 3;
constexpr int kModeColumns = 10;

// Exact (case-sensitive) lookups; a name outside the tables has no index.
std::optional<int> BandIndex(std::string_view band);
std::optional<int> ModeColumn(std::string_view mode);
std::string_view ModeColumnName(int column);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
