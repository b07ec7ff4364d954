#include <charconv>
#include <optional>
#include <variant>
#include <string>
#include <vector>

#include "tools/zelk_check/log_reader.h"
#include "tools/zelk_check/qso_fields.h"
#include "tools/zelk_check/text_readers.h"

namespace {

// freq mode date time own-call rst-sent exch-sent call rst-rcvd exch-rcvd [transmitter]
constexpr std::size_t kQsoFields = 10;
constexpr std::size_t kMaxLineLength = 4096;
constexpr unsigned kMaxKHz = 4'000'000;  // keeps the frequency in Hz within 32 bits

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

LogHeader ReadCabrilloText(TextSource& text, LogVisitor& visitor) {
    LogHeader header;
    header.format = LogFormat::cabrillo;
    std::string line;
    bool tooLong = false;
    while (true) {
        const std::size_t lineNumber = text.line();
        if (!ReadLine(text, line, kMaxLineLength, tooLong)) break;
        const std::string_view trimmed = TrimmedBlanks(line);
        if (trimmed.empty()) continue;
        const std::optional<std::string> tag = HeaderTag(trimmed);
        if (tooLong && tag != "CALLSIGN") {
            visitor.problem({lineNumber, "line longer than " + std::to_string(kMaxLineLength) + " characters"});
            continue;
        }
        if (HasControlBytes(trimmed, true)) {
            visitor.problem({lineNumber, "line holds control or binary bytes"});
            continue;
        }
        if (!tag) {
            visitor.problem({lineNumber, "not a Cabrillo line"});
            continue;
        }
        const std::string_view value = TrimmedBlanks(trimmed.substr(trimmed.find(':') + 1));
        if (*tag == "CALLSIGN") {
            header.ownCall = ToUpperAscii(value);
        } else if (tag->starts_with("CATEGORY")) {
            header.categoryLines.emplace_back(trimmed);
        } else if (*tag == "END-OF-LOG") {
            header.endOfLog = true;
        } else if (*tag == "QSO") {
            auto parsed = ParseQsoLine(value, lineNumber);
            if (auto* reason = std::get_if<std::string>(&parsed))
                visitor.problem({lineNumber, std::move(*reason)});
            else
                visitor.qso(std::get<LogQso>(parsed));
        }
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
