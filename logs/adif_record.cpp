#include "logs/adif_record.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

constexpr unsigned kUkraineDxcc = 288;

// The fields the checker reads: none of them may hold a control byte.
constexpr std::string_view kReadFields[] = {
    "CALL",    "MODE",      "SUBMODE",    "QSO_DATE", "TIME_ON", "FREQ",       "BAND", "STATION_CALLSIGN", "OPERATOR",
    "RST_SENT", "RST_RCVD", "STX_STRING", "STX",      "SRX_STRING", "SRX",     "COUNTRY", "DXCC"};

// A line break or another control byte in a field the checker reads could add lines to the files
// made from it.
std::optional<std::string> ControlBytesIn(const AdifFields& fields) {
    for (const auto& [name, value] : fields)
        if (HasControlBytes(value) && std::find(std::begin(kReadFields), std::end(kReadFields), name) != std::end(kReadFields))
            return "field " + name + " holds a line break or another control character";
    return std::nullopt;
}

std::string CountryOfRecord(const AdifFields& fields, std::string_view call) {
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

}  // namespace

std::string_view Field(const AdifFields& fields, std::string_view name) {
    // Length and first letter first: most names differ in them, and a whole comparison is a call.
    for (const auto& [fieldName, value] : fields)
        if (fieldName.size() == name.size() && (name.empty() || fieldName[0] == name[0]) && fieldName == name) return value;
    return {};
}

void AdifRecordReader::read(const AdifFields& fields, std::size_t line) {
    LogQso& qso = m_qso;
    for (std::string* text : {&qso.myCall, &qso.call, &qso.mode, &qso.rstSent, &qso.rstReceived, &qso.exchSent,
                              &qso.exchReceived, &qso.country, &qso.extra, &qso.band})
        text->clear();
    qso.time = {};
    qso.frequencyHz = 0;
    qso.timeHasSeconds = false;
    qso.line = line;
    std::optional<std::string> reason = ControlBytesIn(fields);
    if (!reason) reason = makeQso(fields, qso);
    if (reason) {
        m_visitor.problem({line, std::move(*reason)});
        return;
    }
    if (m_header.ownCall.empty()) m_header.ownCall = qso.myCall;
    m_visitor.qso(qso);
}

std::optional<std::string> AdifRecordReader::makeQso(const AdifFields& fields, LogQso& qso) {
    const std::string_view call = TrimmedBlanks(Field(fields, "CALL"));
    if (call.empty()) return "record without CALL";
    if (call.find_first_of(" \t") != std::string_view::npos) return "CALL \"" + std::string(call) + "\" is not a call sign";
    qso.call = ToUpperAscii(call);
    std::string mode = ModeOfAdif(TrimmedBlanks(Field(fields, "MODE")), TrimmedBlanks(Field(fields, "SUBMODE")));
    if (mode.empty()) return "record without MODE";
    if (IsAnyDigitalMode(mode)) {
        if (m_options.digitalMode.empty())
            return "MODE " + mode + " names no single contest mode; give the mode of the log's digital QSOs with --dg-mode";
        mode = m_options.digitalMode;
    }
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
    if (auto reason = readExchange(fields, "STX_STRING", "STX", "RST_SENT", qso.rstSent, qso.exchSent, qso.line)) return reason;
    if (auto reason = readExchange(fields, "SRX_STRING", "SRX", "RST_RCVD", qso.rstReceived, qso.exchReceived, qso.line)) return reason;
    qso.country = CountryOfRecord(fields, qso.call);
    return std::nullopt;
}

// FREQ gives the frequency and the band; BAND, when there, names the band.
std::optional<std::string> AdifRecordReader::readFrequency(const AdifFields& fields, LogQso& qso) {
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
// ("599 KI01"), the RST kept where the record has none. A record without the exchange field whose
// RST holds the RST and the exchange (loggers without exchange fields, whose operators type the
// exchange after the RST) gives both from the RST.
std::optional<std::string> AdifRecordReader::readExchange(const AdifFields& fields, std::string_view stringName,
                                                      std::string_view numberName, std::string_view rstName,
                                                      std::string& rst, std::string& exchange, std::size_t line) {
    std::string_view raw = Field(fields, stringName);
    std::string_view name = stringName;
    if (TrimmedBlanks(raw).empty()) {
        raw = Field(fields, numberName);
        name = numberName;
    }
    const bool fromRst = TrimmedBlanks(raw).empty() && TrimmedBlanks(rst).find_first_of(" \t") != std::string_view::npos;
    const std::string rstText = fromRst ? rst : std::string();
    if (fromRst) {
        raw = rstText;
        name = rstName;
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
    bool& said = fromRst ? m_exchangeAfterRstSaid : m_splitExchangeSaid;
    if (!said) {
        said = true;
        m_visitor.note({line, std::string(name) + " \"" + std::string(value) + "\" holds the RST and the exchange" +
                                  (fromRst ? " (the record has no " + std::string(stringName) + " or " + std::string(numberName) + ")"
                                           : std::string()) +
                                  "; the exchange \"" + std::string(rest) + "\" is read (said for the first such record only)"});
    }
    exchange = rest;
    if (fromRst || TrimmedBlanks(rst).empty()) rst = report;
    return std::nullopt;
}
