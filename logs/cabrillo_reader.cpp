#include <charconv>
#include <optional>
#include <variant>
#include <string>
#include <vector>

#include "logs/cabrillo_qso_line.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

constexpr std::size_t kMaxLineLength = 4096;
// "TAG:" or "TAG: value": upper-case letters, digits and dashes before the colon.
std::optional<std::string> HeaderTag(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
    for (char c : line.substr(0, colon))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return std::nullopt;
    return ToUpperAscii(line.substr(0, colon));
}

}  // namespace

LogHeader ReadCabrilloText(TextSource& text, LogVisitor& visitor, const ReadOptions& options) {
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
        } else if (*tag == "X-QSO") {
            ++header.xQsos;
        } else if (*tag == "QSO") {
            auto parsed = ParseCabrilloQso(value, lineNumber, options.digitalMode);
            if (auto* reason = std::get_if<std::string>(&parsed))
                visitor.problem({lineNumber, std::move(*reason)});
            else
                visitor.qso(std::get<LogQso>(parsed));
        }
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    else if (!header.endOfLog) visitor.note({text.line(), "the log has no END-OF-LOG: line; it was read to the end of the file"});
    return header;
}
