#include "logs/cabrillo_qso_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <span>

#include <boost/container/small_vector.hpp>

#include "logs/qso_fields.h"

namespace {

constexpr double kMaxKHz = 4'000'000;  // keeps the frequency in Hz within 32 bits
// A frequency field under this is MHz where it lies in a band as MHz: the lowest band is at 135 kHz.
constexpr double kMaxMegahertz = 30;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Room for the fields of any usual QSO line without taking memory per line.
using Fields = boost::container::small_vector<std::string_view, 16>;

Fields Tokens(std::string_view text) {
    Fields tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

struct Frequency {
    unsigned hertz = 0;
    bool megahertz = false;
};

// Kilohertz, with or without a fraction ("3525", "3525.12"); or megahertz ("3.526"), a value
// that lies in no band as kHz but in an amateur band as MHz.
std::optional<Frequency> FrequencyOf(std::string_view text) {
    double kHz = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kHz, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !(kHz >= 1) || kHz > kMaxKHz) return std::nullopt;
    if (kHz < kMaxMegahertz && !BandOfKHz(kHz * 1000).empty())
        return Frequency{static_cast<unsigned>(std::llround(kHz * 1'000'000)), true};
    return Frequency{static_cast<unsigned>(std::llround(kHz * 1000)), false};
}

struct Received {
    std::string_view rst, exchange;
};

// The fields on one side of the worked call: none, an RST or an exchange alone, or both.
std::optional<Received> SideOf(std::span<const std::string_view> fields, std::string_view mode) {
    if (fields.size() > 2) return std::nullopt;
    if (fields.size() == 2) return Received{fields[0], fields[1]};
    if (fields.empty()) return Received{};
    if (IsReportShaped(fields[0], mode)) return Received{fields[0], {}};
    return Received{{}, fields[0]};
}

// The text in upper case into `to`, in the memory `to` holds.
void AssignUpper(std::string& to, std::string_view text) {
    to.assign(text);
    for (char& c : to)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

bool IsTransmitterField(std::string_view field) { return field == "0" || field == "1"; }

std::string_view LastField(std::string_view fields) {
    fields = TrimmedBlanks(fields);
    const std::size_t blank = fields.find_last_of(" \t");
    return blank == std::string_view::npos ? fields : fields.substr(blank + 1);
}

std::optional<std::string> ParseCabrilloQso(std::string_view text, std::size_t line, const CabrilloLineRules& rules,
                                            CabrilloLineReading& reading) {
    Fields tokens = Tokens(text);
    if (tokens.size() < 5) return "QSO line has " + std::to_string(tokens.size()) + " fields, too few for a QSO";
    // In a log whose every line has the transmitter column, the rest reads as a line without it.
    if (rules.transmitter == TransmitterColumn::everyLine && tokens.size() > 5 && IsTransmitterField(tokens.back()))
        tokens.pop_back();

    reading.modeName = reading.megahertz = false;
    const auto frequency = FrequencyOf(tokens[0]);
    if (!frequency) return "bad frequency " + Quoted(tokens[0]);
    reading.megahertz = frequency->megahertz;
    std::optional<std::string_view> mode = ModeOfCabrilloCode(tokens[1]);
    if (!mode && ToUpperAscii(tokens[1]) == "DG") {
        if (rules.digitalMode.empty())
            return "mode code DG names no single contest mode; give the mode of the log's DG QSOs with --dg-mode";
        mode = rules.digitalMode;
    }
    if (!mode && (mode = ContestModeOfName(tokens[1]))) reading.modeName = true;
    if (!mode) return "mode code " + Quoted(tokens[1]) + " names no contest mode";
    const auto time = ParseLogDateTime(tokens[2], tokens[3]);
    if (!time) return "bad date or time " + Quoted(std::string(tokens[2]) + " " + std::string(tokens[3]));

    // The own call where it is there, then the sent part up to the worked call.
    std::size_t next = 4;
    std::string_view ownCall;
    if (IsCallShaped(tokens[next])) ownCall = tokens[next++];
    boost::container::small_vector<std::size_t, 4> calls;
    for (std::size_t i = next; i < tokens.size(); ++i)
        if (IsCallShaped(tokens[i])) calls.push_back(i);
    // A call busted into no call's shape (a digit lost, say) is still the worked call when every
    // field is in its place around it: own call, RST, exchange, call, RST, exchange.
    // It is still of a call's characters, ASCII letters, digits and slashes, with a letter.
    const auto busted = [](std::string_view field) {
        const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        return std::any_of(field.begin(), field.end(), isLetter) &&
               std::all_of(field.begin(), field.end(), [&](char c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '/'; });
    };
    if (calls.empty() && !ownCall.empty() && tokens.size() == 10 && IsReportShaped(tokens[5], *mode) &&
        IsReportShaped(tokens[8], *mode) && busted(tokens[7]))
        calls.push_back(7);
    if (calls.empty()) return "QSO line has no worked call";
    if (calls.size() > 1)
        return "QSO line has " + std::to_string(calls.size()) + " call signs after the own call (" + Quoted(tokens[calls[0]]) +
               ", " + Quoted(tokens[calls[1]]) + "), so its worked call is not clear";
    const std::size_t callAt = calls.front();

    const std::span<const std::string_view> sentFields(tokens.data() + next, tokens.data() + callAt);
    std::span<const std::string_view> receivedFields(tokens.data() + callAt + 1, tokens.data() + tokens.size());
    // A transmitter after both received fields, or after an exchange whose RST was left out.
    if (rules.transmitter != TransmitterColumn::everyLine && !receivedFields.empty() && IsTransmitterField(receivedFields.back())) {
        if (receivedFields.size() == 3 || (receivedFields.size() == 2 && !IsReportShaped(receivedFields[0], *mode)))
            receivedFields = receivedFields.first(receivedFields.size() - 1);
        else if (rules.transmitter == TransmitterColumn::unclear)
            return "QSO line ends in " + Quoted(receivedFields.back()) +
                   ", the transmitter column or the received exchange: the header names a transmitter category, "
                   "but not every QSO line has the column";
    }
    const auto sent = SideOf(sentFields, *mode);
    if (!sent) return "QSO line has " + std::to_string(sentFields.size()) + " sent fields before the worked call, more than RST and exchange";
    const auto received = SideOf(receivedFields, *mode);
    if (!received)
        return "QSO line has " + std::to_string(receivedFields.size()) +
               " fields after the worked call, more than RST, exchange and transmitter";

    LogQso& qso = reading.qso;
    qso.line = line;
    qso.frequencyHz = frequency->hertz;
    qso.band = BandOfKHz(frequency->hertz / 1000.0);
    qso.mode = *mode;
    qso.time = *time;
    qso.timeHasSeconds = tokens[3].size() == 6;
    AssignUpper(qso.myCall, ownCall);
    qso.rstSent = sent->rst;
    qso.exchSent = sent->exchange;
    AssignUpper(qso.call, tokens[callAt]);
    qso.rstReceived = received->rst;
    qso.exchReceived = received->exchange;
    qso.country = CountryOfCall(qso.call);
    qso.extra.clear();
    return std::nullopt;
}
