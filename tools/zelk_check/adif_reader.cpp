#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string>

#include "tools/zelk_check/log_reader.h"
#include "tools/zelk_check/qso_fields.h"

namespace {

constexpr unsigned kUkraineDxcc = 288;

using Fields = std::map<std::string, std::string, std::less<>>;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Case-blind search for an upper-case ASCII tag such as "<EOR>".
std::size_t FindTag(std::string_view text, std::string_view tag, std::size_t from = 0) {
    for (std::size_t i = text.find('<', from); i != std::string_view::npos; i = text.find('<', i + 1)) {
        if (text.size() - i < tag.size()) break;
        std::size_t k = 1;
        while (k < tag.size() && UpperAscii(text[i + k]) == tag[k]) ++k;
        if (k == tag.size()) return i;
    }
    return std::string_view::npos;
}

// Line numbers of increasing offsets, counted once over the text.
class LineCounter {
public:
    explicit LineCounter(std::string_view text) : m_text(text) {}

    std::size_t lineAt(std::size_t offset) {
        m_line += static_cast<std::size_t>(std::count(m_text.begin() + m_offset, m_text.begin() + offset, '\n'));
        m_offset = offset;
        return m_line;
    }

private:
    std::string_view m_text;
    std::size_t m_offset = 0;
    std::size_t m_line = 1;
};

std::string_view Field(const Fields& fields, std::string_view name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string_view() : std::string_view(found->second);
}

// The fields of one record (the text between two <EOR> tags), or the reason it is skipped.
std::optional<std::string> ParseFields(std::string_view record, Fields& fields) {
    std::size_t i = 0;
    while (true) {
        const std::size_t open = record.find('<', i);
        if (open == std::string_view::npos) return std::nullopt;
        const std::size_t close = record.find('>', open);
        if (close == std::string_view::npos) return "field tag without '>'";
        const std::string_view tag = record.substr(open + 1, close - open - 1);
        const std::size_t colon = tag.find(':');
        if (colon == std::string_view::npos) return "field tag <" + std::string(tag) + "> without a length";
        std::string_view lengthText = tag.substr(colon + 1);
        lengthText = lengthText.substr(0, lengthText.find(':'));  // drops a data type
        std::size_t length = 0;
        const auto [end, error] =
            std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        if (error != std::errc() || end != lengthText.data() + lengthText.size())
            return "bad field length in <" + std::string(tag) + ">";
        const std::size_t valueStart = close + 1;
        if (length > record.size() - valueStart)
            return "field <" + std::string(tag) + "> runs past the end of its record";
        fields[ToUpperAscii(tag.substr(0, colon))] = std::string(record.substr(valueStart, length));
        i = valueStart + length;
    }
}

std::string CountryOfRecord(const Fields& fields, std::string_view call) {
    const std::string_view dxcc = Field(fields, "DXCC");
    const std::string_view country = Field(fields, "COUNTRY");
    unsigned number = 0;
    const bool hasDxcc = std::from_chars(dxcc.data(), dxcc.data() + dxcc.size(), number).ec == std::errc();
    if ((hasDxcc && number == kUkraineDxcc) || ToUpperAscii(country) == "UKRAINE") return "UR";
    if (!country.empty()) return std::string(country);
    const std::string prefix = CountryOfCall(call);
    // Another entity's DXCC outranks a Ukrainian-looking call.
    return hasDxcc && prefix == "UR" ? ToUpperAscii(call.substr(0, 2)) : prefix;
}

std::optional<std::string> MakeQso(const Fields& fields, std::string_view ownCall, LogQso& qso) {
    qso.call = ToUpperAscii(Field(fields, "CALL"));
    if (qso.call.empty()) return "record without CALL";
    std::string mode = ModeOfAdif(Field(fields, "MODE"), Field(fields, "SUBMODE"));
    if (mode.empty()) return "record without MODE";
    const auto time = ParseLogDateTime(Field(fields, "QSO_DATE"), Field(fields, "TIME_ON"));
    if (!time) return "bad QSO_DATE or TIME_ON";
    const std::string_view freq = Field(fields, "FREQ");
    if (!freq.empty()) {
        double megahertz = 0;
        const auto [end, error] = std::from_chars(freq.data(), freq.data() + freq.size(), megahertz);
        if (error != std::errc() || end != freq.data() + freq.size() || !(megahertz > 0) || megahertz >= 4000)
            return "bad FREQ \"" + std::string(freq) + "\"";
        qso.frequencyHz = static_cast<unsigned>(std::llround(megahertz * 1e6));
        qso.band = BandOfKHz(megahertz * 1000);
    }
    if (const std::string_view band = Field(fields, "BAND"); !band.empty()) {
        qso.band.clear();
        for (char c : band) qso.band += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    qso.mode = std::move(mode);
    qso.time = *time;
    const std::string_view station = Field(fields, "STATION_CALLSIGN");
    qso.myCall = ToUpperAscii(station.empty() ? ownCall : station);
    qso.rstSent = Field(fields, "RST_SENT");
    qso.rstReceived = Field(fields, "RST_RCVD");
    const std::string_view stx = Field(fields, "STX_STRING");
    qso.exchSent = stx.empty() ? Field(fields, "STX") : stx;
    const std::string_view srx = Field(fields, "SRX_STRING");
    qso.exchReceived = srx.empty() ? Field(fields, "SRX") : srx;
    qso.country = CountryOfRecord(fields, qso.call);
    return std::nullopt;
}

bool OnlyWhitespace(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

LogContents ReadAdif(std::string_view text) {
    LogContents log;
    log.format = LogFormat::adif;
    std::size_t position = 0;
    LineCounter lines(text);
    // The header ends at <EOH>; some loggers start it with a tag, so any <EOH> before the
    // first <EOR> closes a header.
    const std::size_t eoh = FindTag(text, "<EOH>");
    if (eoh != std::string_view::npos && eoh < FindTag(text, "<EOR>")) position = eoh + 5;
    while (position < text.size()) {
        const std::size_t eor = FindTag(text, "<EOR>", position);
        const std::string_view record = text.substr(position, eor == std::string_view::npos ? std::string_view::npos : eor - position);
        const std::size_t firstTag = record.find('<');
        const std::size_t line = lines.lineAt(firstTag == std::string_view::npos ? position : position + firstTag);
        position = eor == std::string_view::npos ? text.size() : eor + 5;
        if (OnlyWhitespace(record)) continue;
        if (eor == std::string_view::npos) {
            log.problems.push_back({line, "record without <EOR> at the end of the file"});
            break;
        }
        Fields fields;
        std::optional<std::string> reason = ParseFields(record, fields);
        LogQso qso;
        qso.line = line;
        if (!reason) reason = MakeQso(fields, log.ownCall, qso);
        if (reason) {
            log.problems.push_back({line, std::move(*reason)});
            continue;
        }
        if (log.ownCall.empty()) log.ownCall = qso.myCall;
        log.qsos.push_back(std::move(qso));
    }
    return log;
}
