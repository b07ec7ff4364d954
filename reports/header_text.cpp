#include "reports/header_text.h"

#include <algorithm>
#include <array>
#include <cctype>

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result(text);
    if (from.empty() || from == to) return result;
    for (std::size_t at = result.find(from); at != std::string::npos; at = result.find(from, at + to.size())) {
        result.replace(at, from.size(), to);
    }
    return result;
}

std::string EscapeLineBreaks(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, "\r", "<CR>"), "\n", "<LF>");
}

std::string UnescapeLineBreaks(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, "<CR>", "\r"), "<LF>", "\n");
}

std::string ContinuationForm(std::string_view text, std::string_view tag) {
    const std::string escaped = EscapeLineBreaks(text);
    return ReplaceAll(ReplaceAll(escaped, "<CR>", "\r\n" + std::string(tag)), "<LF>", "");
}

namespace {

bool IsWhiteSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool AllowedInFileName(char c) {
    constexpr std::string_view kReserved = "<>:\"/\\|?*";
    return static_cast<unsigned char>(c) >= 0x20 && kReserved.find(c) == std::string_view::npos;
}

// Windows keeps these names for devices, with any extension and with blanks before it. The
// superscript digits are those of the ANSI code page the file names are written in (1252).
bool IsDeviceName(std::string_view stem) {
    constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    constexpr std::array<std::string_view, 2> kNumberedDevices{"COM", "LPT"};
    constexpr std::string_view kDeviceNumbers = "0123456789\xB9\xB2\xB3";
    std::string upper(stem.substr(0, stem.find_last_not_of(' ') + 1));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end()) return true;
    return upper.size() == 4 && kDeviceNumbers.find(upper[3]) != std::string_view::npos &&
           std::find(kNumberedDevices.begin(), kNumberedDevices.end(), upper.substr(0, 3)) != kNumberedDevices.end();
}

}  // namespace

std::string CabrilloFileBaseName(std::string_view callsign) {
    std::string name = ReplaceAll(ReplaceAll(callsign, "/", "_"), "\\", "_");

    auto first = std::find_if_not(name.begin(), name.end(), IsWhiteSpace);
    auto last = std::find_if_not(name.rbegin(), name.rend(), IsWhiteSpace).base();
    name = first < last ? std::string(first, last) : std::string();

    std::replace_if(name.begin(), name.end(), [](char c) { return !AllowedInFileName(c); }, '_');
    if (name.empty()) return "NEMB";
    const std::size_t stemEnd = std::min(name.find('.'), name.size());
    if (IsDeviceName(std::string_view(name).substr(0, stemEnd))) {
        name.insert(name.begin() + static_cast<std::ptrdiff_t>(stemEnd), '_');
    }
    return name;
}
