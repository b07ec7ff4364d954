#include "logs/qso_fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include <boost/container/small_vector.hpp>

namespace {

struct BandEdge {
    double lowKHz;
    double highKHz;
    std::string_view name;
};

// Widest edges of the three IARU regions, so a log from any region gets its band.
constexpr std::array<BandEdge, 15> kBands{{
    {135.7, 137.8, "2200m"},  {472, 479, "630m"},       {1800, 2000, "160m"},
    {3500, 4000, "80m"},      {5060, 5450, "60m"},      {7000, 7300, "40m"},
    {10100, 10150, "30m"},    {14000, 14350, "20m"},    {18068, 18168, "17m"},
    {21000, 21450, "15m"},    {24890, 24990, "12m"},    {28000, 29700, "10m"},
    {50000, 54000, "6m"},     {144000, 148000, "2m"},   {420000, 450000, "70cm"},
}};

// Reverse of the Cabrillo writer's table; its aliases BPSK62 and QPSK62 share codes with the
// contest's BPSK63 and QPSK63, which are the names the contest knows.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kCodeModes{{
    {"CW", "CW"},
    {"PH", "SSB"},
    {"RY", "RTTY"},
    {"PS", "BPSK31"},
    {"PM", "BPSK63"},
    {"PO", "BPSK125"},
    {"QS", "QPSK31"},
    {"QM", "QPSK63"},
    {"QO", "QPSK125"},
    {"MF", "MFSK"},
}};

// The contest's PSK modes as ADIF 3 SUBMODEs of PSK, which ADIF 2 wrote as the MODE itself.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kAdifPsk{{
    {"PSK31", "BPSK31"},
    {"BPSK31", "BPSK31"},
    {"PSK63", "BPSK63"},
    {"BPSK63", "BPSK63"},
    {"PSK125", "BPSK125"},
    {"BPSK125", "BPSK125"},
    {"QPSK31", "QPSK31"},
    {"QPSK63", "QPSK63"},
    {"QPSK125", "QPSK125"},
}};

template <typename Table>
std::optional<std::string_view> Lookup(const Table& table, std::string_view key) {
    for (const auto& [from, to] : table)
        if (from == key) return to;
    return std::nullopt;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// The value of a few digits (the caller checked that they are digits).
unsigned Number(std::string_view digits) {
    unsigned value = 0;
    for (char c : digits) value = value * 10 + static_cast<unsigned>(c - '0');
    return value;
}

bool IsUkrainian(std::string_view call) {
    if (call.size() < 2) return false;
    if (call[0] == 'E') return call[1] >= 'M' && call[1] <= 'O';
    if (call[0] == 'U') return call[1] >= 'R' && call[1] <= 'Z';
    return false;
}

bool IsOperatingSuffix(std::string_view part) {
    static constexpr std::string_view kSuffixes[] = {"P", "M", "MM", "AM", "QRP", "A", "LH"};
    return std::find(std::begin(kSuffixes), std::end(kSuffixes), part) != std::end(kSuffixes) ||
           (part.size() == 1 && IsDigit(part[0]));
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    // Without a branch per byte, so that the compiler can take the bytes in blocks.
    for (char& c : upper)
        c = static_cast<char>(c ^ (static_cast<unsigned char>(c - 'a') < 26 ? 0x20 : 0));
    return upper;
}

std::string_view TrimmedBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string_view BandOfKHz(double kHz) {
    for (const BandEdge& band : kBands)
        if (kHz >= band.lowKHz && kHz <= band.highKHz) return band.name;
    return {};
}

std::optional<unsigned> BandLowerEdgeKHz(std::string_view band) {
    for (const BandEdge& edge : kBands)
        if (edge.name == band) return static_cast<unsigned>(edge.lowKHz + 0.5);
    return std::nullopt;
}

std::optional<std::string_view> ModeOfCabrilloCode(std::string_view code) {
    // Every code is two letters.
    if (code.size() != 2) return std::nullopt;
    const char letters[2] = {UpperAscii(code[0]), UpperAscii(code[1])};
    const std::string_view upper(letters, 2);
    // FM is one mode, outside the contest: the add path finds it a wrong mode, as for the host.
    if (upper == "FM") return std::string_view("FM");
    return Lookup(kCodeModes, upper);
}

namespace {

std::optional<std::string_view> ContestModeOfAdif(const std::string& upperMode, const std::string& upperSub) {
    if (upperMode == "CW") return std::string_view("CW");
    if (upperMode == "RTTY") return std::string_view("RTTY");
    if (upperMode == "SSB" || upperMode == "USB" || upperMode == "LSB") return std::string_view("SSB");
    // The contest's MFSK is MFSK16 alone; MODE MFSK without SUBMODE is taken for it.
    if (upperMode == "MFSK" && (upperSub.empty() || upperSub == "MFSK16")) return std::string_view("MFSK");
    if (upperMode == "MFSK16") return std::string_view("MFSK");
    if (upperMode == "PSK") return Lookup(kAdifPsk, upperSub);
    if (upperSub.empty()) return Lookup(kAdifPsk, upperMode);
    return std::nullopt;
}

constexpr std::string_view kAnyDigitalModes[] = {"DIGI", "DATA", "DG"};

}  // namespace

bool IsAnyDigitalMode(std::string_view adifMode) {
    const std::string upper = ToUpperAscii(TrimmedBlanks(adifMode));
    return std::find(std::begin(kAnyDigitalModes), std::end(kAnyDigitalModes), upper) != std::end(kAnyDigitalModes);
}

std::optional<std::string_view> ContestModeOfName(std::string_view name) {
    return ContestModeOfAdif(ToUpperAscii(name), "");
}

std::string FormatKHz(unsigned hertz) {
    std::string text = std::to_string(hertz / 1000);
    if (const unsigned fraction = hertz % 1000; fraction != 0) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

std::string ModeOfAdif(std::string_view mode, std::string_view submode) {
    const std::string upperMode = ToUpperAscii(mode);
    const std::string upperSub = ToUpperAscii(submode);
    if (auto contestMode = ContestModeOfAdif(upperMode, upperSub)) return std::string(*contestMode);
    // A general digital MODE with a SUBMODE: the submode is the mode worked.
    if (!upperSub.empty() && IsAnyDigitalMode(upperMode)) return ModeOfAdif(upperSub, "");
    return upperSub.empty() ? upperMode : upperSub;
}

std::string CountryOfCall(std::string_view call) {
    const std::string upper = ToUpperAscii(call);
    boost::container::small_vector<std::string_view, 4> parts;
    std::string_view rest = upper;
    while (true) {
        const std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        if (!part.empty() && !IsOperatingSuffix(part)) parts.push_back(part);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    if (parts.empty()) return {};
    // The location part of DL/UR5ABC or UR5ABC/DL is the shorter one; the first on a tie.
    std::string_view location = parts.front();
    for (std::string_view part : parts)
        if (part.size() < location.size()) location = part;
    if (IsUkrainian(location)) return "UR";
    std::size_t lastDigit = std::string_view::npos;
    for (std::size_t i = 0; i < location.size(); ++i)
        if (IsDigit(location[i])) lastDigit = i;
    return std::string(lastDigit == std::string_view::npos ? location : location.substr(0, lastDigit + 1));
}

std::optional<OleDateTime> ParseLogDateTime(std::string_view date, std::string_view time) {
    char dateDigits[8];
    std::string_view digits;
    if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
        std::copy_n(date.data(), 4, dateDigits);
        std::copy_n(date.data() + 5, 2, dateDigits + 4);
        std::copy_n(date.data() + 8, 2, dateDigits + 6);
        digits = std::string_view(dateDigits, 8);
    } else if (date.size() == 8) {
        digits = date;
    }
    if (!AllDigits(digits) || !AllDigits(time) || (time.size() != 4 && time.size() != 6)) return std::nullopt;
    const unsigned year = Number(digits.substr(0, 4));
    const unsigned month = Number(digits.substr(4, 2));
    const unsigned day = Number(digits.substr(6, 2));
    const unsigned hour = Number(time.substr(0, 2));
    const unsigned minute = Number(time.substr(2, 2));
    const unsigned second = time.size() == 6 ? Number(time.substr(4, 2)) : 0;
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return MakeOleDate(static_cast<int>(year), month, day, hour, minute, second);
}

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsCallShaped(std::string_view field) {
    if (field.empty() || field.size() > 20) return false;
    // One pass over the slash-separated parts: each of letters and digits alone, one a call's part.
    bool callPart = false, hasDigit = false, hasLetter = false;
    std::size_t partSize = 0;
    char last = '\0';
    const auto endPart = [&] {
        callPart = callPart || (partSize >= 3 && IsLetter(last) && hasDigit && hasLetter);
        hasDigit = hasLetter = false;
        partSize = 0;
    };
    for (const char c : field) {
        if (c == '/') {
            if (partSize == 0) return false;
            endPart();
            continue;
        }
        if (IsDigit(c)) hasDigit = true;
        else if (IsLetter(c)) hasLetter = true;
        else return false;
        last = c;
        ++partSize;
    }
    if (partSize == 0) return false;
    endPart();
    return callPart;
}

bool IsReportShaped(std::string_view field, std::string_view mode) {
    const std::size_t digits = mode == "SSB" || mode == "FM" ? 2 : 3;
    if (field.size() != digits || !AllDigits(field)) return false;
    return field[0] >= '1' && field[0] <= '5' && field[1] >= '1' && field[1] <= '9' && (digits == 2 || field[2] >= '1');
}
