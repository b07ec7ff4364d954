#include "reports/cabrillo_modes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kModeCodes{{
    {"CW", "CW"},
    {"SSB", "PH"},
    {"RTTY", "RY"},
    {"BPSK31", "PS"},
    {"BPSK63", "PM"},
    {"BPSK62", "PM"},
    {"BPSK125", "PO"},
    {"QPSK31", "QS"},
    {"QPSK63", "QM"},
    {"QPSK62", "QM"},
    {"QPSK125", "QO"},
    {"MFSK", "MF"},
}};

}  // namespace

std::string_view CabrilloModeCode(std::string_view loggedMode) {
    auto found = std::find_if(kModeCodes.begin(), kModeCodes.end(),
                              [&](const auto& entry) { return entry.first == loggedMode; });
    return found == kModeCodes.end() ? std::string_view("??") : found->second;
}
