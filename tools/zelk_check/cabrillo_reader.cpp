#include <charconv>
#include <optional>
#include <variant>
#include <string>
#include <vector>

#include "tools/zelk_check/log_reader.h"
#include "tools/zelk_check/qso_fields.h"

namespace {

// freq mode date time own-call rst-sent exch-sent call rst-rcvd exch-rcvd [transmitter]
constexpr std::size_t kQsoFields = 10;
constexpr unsigned kMaxKHz = 4'000'000;  // keeps the frequency in Hz within 32 bits

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasControlBytes(std::string_view line) {
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7f) return true;
    }
    return false;
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// "TAG:" or "TAG: value": upper-case letters, digits and dashes before the colon.
std::optional<std::string> HeaderTag(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
    for (char c : line.substr(0, colon))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return std::nullopt;
    return ToUpperAscii(line.substr(0, colon));
}

// The QSO, or the reason the line is skipped.
std::variant<LogQso, std::string> ParseQsoLine(std::string_view fields, std::size_t lineNumber) {
    const std::vector<std::string_view> tokens = Tokens(fields);
    if (tokens.size() < kQsoFields) return "QSO line has " + std::to_string(tokens.size()) + " of 10 fields";
    if (tokens.size() > kQsoFields + 1) return "QSO line has " + std::to_string(tokens.size()) + " fields, more than 11";

    unsigned kHz = 0;
    const std::string_view freq = tokens[0];
    const auto [end, error] = std::from_chars(freq.data(), freq.data() + freq.size(), kHz);
    if (error != std::errc() || end != freq.data() + freq.size() || kHz == 0 || kHz > kMaxKHz)
        return "bad frequency \"" + std::string(freq) + "\"";
    const auto mode = ModeOfCabrilloCode(tokens[1]);
    if (!mode) return "mode code \"" + std::string(tokens[1]) + "\" names no contest mode";
    const auto time = ParseLogDateTime(tokens[2], tokens[3]);
    if (!time) return "bad date or time \"" + std::string(tokens[2]) + " " + std::string(tokens[3]) + "\"";

    LogQso qso;
    qso.line = lineNumber;
    qso.frequencyHz = kHz * 1000;
    qso.band = BandOfKHz(kHz);
    qso.mode = *mode;
    qso.time = *time;
    qso.myCall = ToUpperAscii(tokens[4]);
    qso.rstSent = tokens[5];
    qso.exchSent = tokens[6];
    qso.call = ToUpperAscii(tokens[7]);
    qso.rstReceived = tokens[8];
    qso.exchReceived = tokens[9];
    qso.country = CountryOfCall(qso.call);
    return qso;
}

}  // namespace

LogContents ReadCabrillo(std::string_view text) {
    LogContents log;
    log.format = LogFormat::cabrillo;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (TrimmedBlanks(line).empty()) continue;
        if (HasControlBytes(line)) {
            log.problems.push_back({lineNumber, "line holds control or binary bytes"});
            continue;
        }
        const std::optional<std::string> tag = HeaderTag(line);
        if (!tag) {
            log.problems.push_back({lineNumber, "not a Cabrillo line"});
            continue;
        }
        const std::string_view value = TrimmedBlanks(line.substr(line.find(':') + 1));
        if (*tag == "CALLSIGN") {
            log.ownCall = ToUpperAscii(value);
        } else if (*tag == "QSO") {
            auto parsed = ParseQsoLine(value, lineNumber);
            if (auto* reason = std::get_if<std::string>(&parsed))
                log.problems.push_back({lineNumber, std::move(*reason)});
            else
                log.qsos.push_back(std::move(std::get<LogQso>(parsed)));
        }
    }
    return log;
}
