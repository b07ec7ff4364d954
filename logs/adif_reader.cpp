#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

constexpr unsigned kUkraineDxcc = 288;
// Far longer than any real record; a longer one is skipped rather than held.
constexpr std::size_t kMaxRecordLength = 1024 * 1024;
constexpr std::string_view kEndOfRecord = "<EOR>";
constexpr std::string_view kEndOfHeader = "<EOH>";

// The fields of one record by upper-case name; the values point into the record's text.
using Fields = std::vector<std::pair<std::string, std::string_view>>;

// The fields the checker reads: none of them may hold a control byte.
constexpr std::string_view kReadFields[] = {
    "CALL",    "MODE",      "SUBMODE",    "QSO_DATE", "TIME_ON", "FREQ",       "BAND", "STATION_CALLSIGN", "OPERATOR",
    "RST_SENT", "RST_RCVD", "STX_STRING", "STX",      "SRX_STRING", "SRX",     "COUNTRY", "DXCC"};

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

std::string_view Field(const Fields& fields, std::string_view name) {
    for (const auto& [fieldName, value] : fields)
        if (fieldName == name) return value;
    return {};
}

// The fields of one record (the text before its <EOR>), or the reason it is skipped.
std::optional<std::string> ParseFields(std::string_view record, Fields& fields) {
    std::size_t i = 0;
    while (true) {
        const std::size_t open = record.find('<', i);
        if (open == std::string_view::npos) return std::nullopt;
        const std::size_t close = record.find('>', open);
        if (close == std::string_view::npos) return "field tag without '>'";
        const std::string_view tag = record.substr(open + 1, close - open - 1);
        const std::size_t colon = tag.find(':');
        if (colon == std::string_view::npos) return "field tag <" + std::string(tag.substr(0, 40)) + "> without a length";
        std::string_view lengthText = tag.substr(colon + 1);
        lengthText = lengthText.substr(0, lengthText.find(':'));  // drops a data type
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        if (error != std::errc() || end != lengthText.data() + lengthText.size())
            return "bad field length in <" + std::string(tag.substr(0, 40)) + ">";
        const std::size_t valueStart = close + 1;
        if (length > record.size() - valueStart)
            return "field <" + std::string(tag.substr(0, 40)) + "> runs past the end of its record";
        std::string name = ToUpperAscii(tag.substr(0, colon));
        const std::string_view value = record.substr(valueStart, length);
        const bool read = std::find(std::begin(kReadFields), std::end(kReadFields), name) != std::end(kReadFields);
        if (read && HasControlBytes(value)) return "field " + name + " holds a line break or another control character";
        fields.emplace_back(std::move(name), value);
        i = valueStart + length;
    }
}

std::string CountryOfRecord(const Fields& fields, std::string_view call) {
    const std::string_view dxcc = Field(fields, "DXCC");
    const std::string_view country = TrimmedBlanks(Field(fields, "COUNTRY"));
    unsigned number = 0;
    const bool hasDxcc = std::from_chars(dxcc.data(), dxcc.data() + dxcc.size(), number).ec == std::errc();
    if ((hasDxcc && number == kUkraineDxcc) || ToUpperAscii(country) == "UKRAINE") return "UR";
    if (!country.empty()) return std::string(country);
    const std::string prefix = CountryOfCall(call);
    // Another entity's DXCC outranks a Ukrainian-looking call.
    return hasDxcc && prefix == "UR" ? ToUpperAscii(call.substr(0, 2)) : prefix;
}

std::optional<unsigned> FrequencyHz(std::string_view freq) {
    double megahertz = 0;
    const auto [end, error] = std::from_chars(freq.data(), freq.data() + freq.size(), megahertz);
    if (error != std::errc() || end != freq.data() + freq.size() || !(megahertz > 0) || megahertz >= 4000)
        return std::nullopt;
    return static_cast<unsigned>(std::llround(megahertz * 1e6));
}

bool IsReport(std::string_view text) {
    return (text.size() == 2 || text.size() == 3) && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A record's reading, with what it says to the operator.
class RecordReader {
public:
    RecordReader(LogVisitor& visitor, LogHeader& header) : m_visitor(visitor), m_header(header) {}

    void read(std::string_view record, std::size_t line) {
        Fields fields;
        LogQso qso;
        qso.line = line;
        std::optional<std::string> reason = ParseFields(record, fields);
        if (!reason) reason = makeQso(fields, qso);
        if (reason) {
            m_visitor.problem({line, std::move(*reason)});
            return;
        }
        if (m_header.ownCall.empty()) m_header.ownCall = qso.myCall;
        m_visitor.qso(qso);
    }

private:
    std::optional<std::string> makeQso(const Fields& fields, LogQso& qso) {
        const std::string_view call = TrimmedBlanks(Field(fields, "CALL"));
        if (call.empty()) return "record without CALL";
        if (call.find_first_of(" \t") != std::string_view::npos) return "CALL \"" + std::string(call) + "\" is not a call sign";
        qso.call = ToUpperAscii(call);
        std::string mode = ModeOfAdif(TrimmedBlanks(Field(fields, "MODE")), TrimmedBlanks(Field(fields, "SUBMODE")));
        if (mode.empty()) return "record without MODE";
        const auto time = ParseLogDateTime(TrimmedBlanks(Field(fields, "QSO_DATE")), TrimmedBlanks(Field(fields, "TIME_ON")));
        if (!time) return "bad QSO_DATE or TIME_ON";
        if (auto reason = readFrequency(fields, qso)) return reason;
        qso.mode = std::move(mode);
        qso.time = *time;
        qso.timeHasSeconds = TrimmedBlanks(Field(fields, "TIME_ON")).size() == 6;
        std::string_view station = TrimmedBlanks(Field(fields, "STATION_CALLSIGN"));
        if (station.empty()) station = TrimmedBlanks(Field(fields, "OPERATOR"));
        if (station.find_first_of(" \t") != std::string_view::npos) return "own call \"" + std::string(station) + "\" is not a call sign";
        qso.myCall = ToUpperAscii(station);
        qso.rstSent = Field(fields, "RST_SENT");
        qso.rstReceived = Field(fields, "RST_RCVD");
        if (auto reason = readExchange(fields, "STX_STRING", "STX", qso.rstSent, qso.exchSent, qso.line)) return reason;
        if (auto reason = readExchange(fields, "SRX_STRING", "SRX", qso.rstReceived, qso.exchReceived, qso.line)) return reason;
        qso.country = CountryOfRecord(fields, qso.call);
        return std::nullopt;
    }

    // FREQ gives the frequency and the band; BAND, when there, names the band.
    std::optional<std::string> readFrequency(const Fields& fields, LogQso& qso) {
        const std::string_view freq = TrimmedBlanks(Field(fields, "FREQ"));
        const std::string_view band = TrimmedBlanks(Field(fields, "BAND"));
        if (!freq.empty()) {
            if (const auto hertz = FrequencyHz(freq)) {
                qso.frequencyHz = *hertz;
                qso.band = BandOfKHz(*hertz / 1000.0);
            } else if (band.empty()) {
                return "bad FREQ \"" + std::string(freq) + "\"";
            } else {
                m_visitor.note({qso.line, "FREQ \"" + std::string(freq) + "\" is not a frequency in MHz; the QSO counts on its BAND " +
                                              std::string(band)});
            }
        }
        if (!band.empty()) {
            qso.band.clear();
            for (char c : band) qso.band += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        return std::nullopt;
    }

    // An exchange, split from the RST before it where a logger wrote both into one field
    // ("599 KI01"), the RST kept where the record has none.
    std::optional<std::string> readExchange(const Fields& fields, std::string_view stringName, std::string_view numberName,
                                            std::string& rst, std::string& exchange, std::size_t line) {
        std::string_view raw = Field(fields, stringName);
        std::string_view name = stringName;
        if (TrimmedBlanks(raw).empty()) {
            raw = Field(fields, numberName);
            name = numberName;
        }
        // Kept as logged, blanks around it included, as the host gives it to the plug-in.
        const std::string_view value = TrimmedBlanks(raw);
        const std::size_t blank = value.find_first_of(" \t");
        if (blank == std::string_view::npos) {
            exchange = raw;
            return std::nullopt;
        }
        const std::string_view report = value.substr(0, blank);
        const std::string_view rest = TrimmedBlanks(value.substr(blank));
        if (!IsReport(report) || rest.find_first_of(" \t") != std::string_view::npos)
            return std::string(name) + " \"" + std::string(value) + "\" holds more than one exchange";
        exchange = rest;
        if (TrimmedBlanks(rst).empty()) rst = report;
        if (!m_splitExchangeSaid) {
            m_splitExchangeSaid = true;
            m_visitor.note({line, std::string(name) + " \"" + std::string(value) + "\" holds the RST and the exchange; the exchange \"" +
                                      std::string(rest) + "\" is read (said for the first such record only)"});
        }
        return std::nullopt;
    }

    LogVisitor& m_visitor;
    LogHeader& m_header;
    bool m_splitExchangeSaid = false;
};

// Drops the header, which ends at <EOH>. Some loggers start the file with a record, so a header
// is there only when an <EOH> comes before the first <EOR>.
void SkipHeader(TextSource& text) {
    std::size_t searched = 0;
    while (true) {
        const std::string_view held = text.held();
        const std::size_t eoh = FindTag(held, kEndOfHeader, searched);
        const std::size_t eor = FindTag(held, kEndOfRecord, searched);
        if (eoh != std::string_view::npos && eoh < eor) {
            text.consume(eoh + kEndOfHeader.size());
            return;
        }
        if (eor != std::string_view::npos || held.size() > kMaxRecordLength) return;
        searched = held.size() > kEndOfHeader.size() ? held.size() - kEndOfHeader.size() : 0;
        if (!text.readMore()) return;
    }
}

// Consumes everything up to and including the next <EOR>.
void SkipRecord(TextSource& text) {
    while (true) {
        const std::string_view held = text.held();
        if (const std::size_t eor = FindTag(held, kEndOfRecord); eor != std::string_view::npos) {
            text.consume(eor + kEndOfRecord.size());
            return;
        }
        text.consume(held.size() > kEndOfRecord.size() ? held.size() - kEndOfRecord.size() : 0);
        if (!text.readMore()) {
            text.consume(text.held().size());
            return;
        }
    }
}

}  // namespace

LogHeader ReadAdifText(TextSource& text, LogVisitor& visitor) {
    LogHeader header;
    header.format = LogFormat::adif;
    RecordReader records(visitor, header);
    SkipHeader(text);
    while (true) {
        // Text between records is no field; a record starts at its first tag.
        std::string_view held = text.held();
        const std::size_t firstTag = held.find('<');
        if (firstTag == std::string_view::npos) {
            text.consume(held.size());
            if (!text.readMore()) break;
            continue;
        }
        text.consume(firstTag);
        const std::size_t line = text.line();
        std::size_t searched = 0, eor = std::string_view::npos;
        while ((eor = FindTag(text.held(), kEndOfRecord, searched)) == std::string_view::npos) {
            held = text.held();
            if (held.size() > kMaxRecordLength) break;
            searched = held.size() > kEndOfRecord.size() ? held.size() - kEndOfRecord.size() : 0;
            if (!text.readMore()) break;
        }
        if (eor == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) {
                visitor.problem({line, "record longer than " + std::to_string(kMaxRecordLength) + " bytes"});
                SkipRecord(text);
                continue;
            }
            visitor.problem({line, "record without <EOR> at the end of the file"});
            break;
        }
        records.read(text.held().substr(0, eor), line);
        text.consume(eor + kEndOfRecord.size());
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
