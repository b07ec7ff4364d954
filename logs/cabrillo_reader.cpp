#include <cctype>
#include <charconv>
#include <optional>
#include <utility>
#include <variant>
#include <string>
#include <vector>

#include "logs/cabrillo_qso_line.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

constexpr std::size_t kMaxLineLength = 4096;

std::string_view FirstField(std::string_view fields) {
    fields = TrimmedBlanks(fields);
    return fields.substr(0, fields.find_first_of(" \t"));
}

std::string_view SecondField(std::string_view fields) {
    fields = TrimmedBlanks(fields);
    const std::size_t blank = fields.find_first_of(" \t");
    return blank == std::string_view::npos ? std::string_view() : FirstField(fields.substr(blank));
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

// What decides the reading of the transmitter column, found by reading the whole log.
struct TransmitterShape {
    bool categoryGiven = false;          // a CATEGORY-TRANSMITTER: line with a value
    std::size_t qsoLines = 0;            // QSO lines of at least the fields of a QSO
    std::size_t endingInTransmitter = 0; // of those, the lines whose last field is 0 or 1
};

// Whether the text holds at least `wanted` blank-separated fields.
bool HasFields(std::string_view fields, std::size_t wanted) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < fields.size() && count < wanted; ++i)
        if (fields[i] != ' ' && fields[i] != '\t' && (i == 0 || fields[i - 1] == ' ' || fields[i - 1] == '\t')) ++count;
    return count == wanted;
}

bool StartsCaseBlind(std::string_view text, std::string_view upperPrefix) {
    if (text.size() < upperPrefix.size()) return false;
    for (std::size_t i = 0; i < upperPrefix.size(); ++i)
        if ((text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i]) != upperPrefix[i]) return false;
    return true;
}

void TakeShapeOf(std::string_view line, TransmitterShape& shape) {
    constexpr std::string_view kQso = "QSO:", kCategory = "CATEGORY-TRANSMITTER:";
    const std::string_view trimmed = TrimmedBlanks(line);
    if (StartsCaseBlind(trimmed, kCategory)) {
        if (!TrimmedBlanks(trimmed.substr(kCategory.size())).empty()) shape.categoryGiven = true;
    } else if (StartsCaseBlind(trimmed, kQso)) {
        const std::string_view fields = trimmed.substr(kQso.size());
        if (!HasFields(fields, 5) || HasControlBytes(fields, true)) return;
        ++shape.qsoLines;
        if (IsTransmitterField(LastField(fields))) ++shape.endingInTransmitter;
    }
}

// Looks through the whole log for its shape alone, each line where it is held; lines that the
// reading skips as too long are left out.
TransmitterShape ScanTransmitterShape(TextSource& text) {
    TransmitterShape shape;
    bool tooLong = false;
    while (true) {
        const std::string_view held = text.held();
        const std::size_t end = FindLineEnd(held);
        if (end != std::string_view::npos) {
            if (!tooLong && end <= kMaxLineLength) TakeShapeOf(held.substr(0, end), shape);
            tooLong = false;
            text.skip(end + 1);
            continue;
        }
        if (held.size() > kMaxLineLength) {
            tooLong = true;
            text.skip(held.size());
        }
        if (!text.readMore()) {
            if (!tooLong && !text.held().empty()) TakeShapeOf(text.held(), shape);
            return shape;
        }
    }
}

// A log has the transmitter column when every QSO line ends in one, and the header names a
// transmitter category or more than one line shows it (a lone 0 or 1 could be one received serial).
TransmitterColumn ColumnOf(const TransmitterShape& shape) {
    const bool everyLine = shape.qsoLines > 0 && shape.endingInTransmitter == shape.qsoLines;
    if (everyLine && (shape.categoryGiven || shape.qsoLines > 1)) return TransmitterColumn::everyLine;
    if (shape.categoryGiven && shape.endingInTransmitter > 0) return TransmitterColumn::unclear;
    return TransmitterColumn::perLine;
}

}  // namespace

LogHeader ReadCabrilloText(TextSource& text, LogVisitor& visitor, const ReadOptions& options) {
    LogHeader header;
    header.format = LogFormat::cabrillo;
    CabrilloLineRules rules;
    rules.digitalMode = options.digitalMode;
    if (const auto start = text.mark()) {
        rules.transmitter = ColumnOf(ScanTransmitterShape(text));
        if (!text.restore(*start)) {
            visitor.problem({0, "the file could not be read again from its start"});
            return header;
        }
    }
    bool modeNameSaid = false, megahertzSaid = false;
    std::string line;
    CabrilloLineReading reading;  // one for every line, so its texts keep their memory
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
            if (auto reason = ParseCabrilloQso(value, lineNumber, rules, reading)) {
                visitor.problem({lineNumber, std::move(*reason)});
                continue;
            }
            if (reading.modeName && !std::exchange(modeNameSaid, true))
                visitor.note({lineNumber, "the log writes mode names (\"" + std::string(SecondField(value)) +
                                              "\") where Cabrillo has mode codes (PH, RY, ...); each is read as the mode it names "
                                              "(said for the first such line only)"});
            if (reading.megahertz && !std::exchange(megahertzSaid, true))
                visitor.note({lineNumber, "the frequency \"" + std::string(FirstField(value)) + "\" is written in MHz; it is read as " +
                                              FormatKHz(reading.qso.frequencyHz) +
                                              " kHz, as is every frequency under 30 that lies in a band as MHz "
                                              "(said for the first such line only)"});
            visitor.qso(reading.qso);
        }
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    else if (!header.endOfLog) visitor.note({text.line(), "the log has no END-OF-LOG: line; it was read to the end of the file"});
    return header;
}
