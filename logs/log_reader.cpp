#include "logs/log_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

constexpr std::size_t kDetectBytes = 64 * 1024;
constexpr std::size_t kBinaryCheckBytes = 4096;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool LooksLikeUtf16(std::string_view head) {
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return true;
    // Latin text in UTF-16 without a mark: every other byte is NUL.
    const std::string_view sample = head.substr(0, 4096);
    std::array<std::size_t, 2> nuls{};
    for (std::size_t i = 0; i < sample.size(); ++i)
        if (sample[i] == '\0') ++nuls[i % 2];
    const std::size_t half = sample.size() / 2;
    return half >= 4 && std::max(nuls[0], nuls[1]) * 10 >= half * 9 && std::min(nuls[0], nuls[1]) * 10 < half;
}

// Bytes under 0x20 other than tab, LF, FF and CR: text has none but by damage.
std::size_t ControlBytesOf(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r';
    }));
}

// A file is binary when at least 4 of its first 4 KB are control bytes and they are more than
// 1 in 16 of them: compressed, executable and image files have about 1 in 9; a text log damaged by
// a few NUL bytes has far fewer, and is read with its damaged lines named and skipped.
bool IsBinaryShare(std::size_t controls, std::size_t size) {
    return controls >= 4 && controls * 16 > std::min(size, kBinaryCheckBytes);
}

// Each line of the text with the blanks at its start removed, until `visit` says stop.
template <typename Visit>
void ForEachTrimmedLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        if (visit(TrimmedBlanks(text.substr(0, end)))) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

// Whether the first line with text starts "START-OF-LOG:", in any case.
bool StartsCabrillo(std::string_view text) {
    constexpr std::string_view kStart = "START-OF-LOG:";
    bool starts = false;
    ForEachTrimmedLine(text, [&](std::string_view line) {
        if (line.empty()) return false;
        starts = line.size() >= kStart.size() &&
                 std::equal(kStart.begin(), kStart.end(), line.begin(), [](char upper, char c) {
                     return upper == (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
                 });
        return true;
    });
    return starts;
}

bool HasQsoLine(std::string_view upper) {
    bool found = false;
    ForEachTrimmedLine(upper, [&](std::string_view line) { return found = line.starts_with("QSO:"); });
    return found;
}

// The root element of ADX, <ADX> or <ADX ...>.
bool HasAdxElement(std::string_view upper) {
    for (std::size_t at = upper.find("<ADX"); at != std::string_view::npos; at = upper.find("<ADX", at + 1)) {
        const char next = at + 4 < upper.size() ? upper[at + 4] : '\0';
        if (next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n') return true;
    }
    return false;
}

bool HasAdifTag(std::string_view upper) {
    for (std::string_view tag : {"<EOH>", "<CALL:", "<EOR>", "<QSO_DATE:", "<ADIF_VER:"})
        if (upper.find(tag) != std::string_view::npos) return true;
    return false;
}

class Collector final : public LogVisitor {
public:
    explicit Collector(LogContents& log) : m_log(log) {}
    void qso(const LogQso& qso) override { m_log.qsos.push_back(qso); }
    void problem(const LogProblem& problem) override { m_log.problems.push_back(problem); }
    void note(const LogProblem& note) override { m_log.notes.push_back(note); }

private:
    LogContents& m_log;
};

template <typename Read>
LogContents Collect(std::string_view text, Read read) {
    ViewStreamBuffer buffer(text);
    std::istream input(&buffer);
    LogContents log;
    Collector collector(log);
    static_cast<LogHeader&>(log) = read(input, collector);
    return log;
}

}  // namespace

std::string_view LogFormatName(LogFormat format) {
    switch (format) {
        case LogFormat::cabrillo:
            return "Cabrillo";
        case LogFormat::adif:
            return "ADIF";
        case LogFormat::adx:
            return "ADIF XML (ADX)";
        case LogFormat::unknown:
            break;
    }
    return "";
}

LogFormat DetectLogFormat(std::string_view head, std::string* why) {
    auto unknown = [&](std::string reason) {
        if (why) *why = std::move(reason);
        return LogFormat::unknown;
    };
    if (head.empty()) return unknown("the file is empty");
    if (LooksLikeUtf16(head))
        return unknown("the file is UTF-16 (Unicode) text; save it as ANSI or UTF-8 text in the logger or an "
                       "editor and check that file");
    if (head.starts_with(kUtf8Bom)) head.remove_prefix(kUtf8Bom.size());
    if (const std::size_t controls = ControlBytesOf(head.substr(0, kBinaryCheckBytes)); IsBinaryShare(controls, head.size()))
        return unknown("the file is binary (" + std::to_string(controls) + " of its first " +
                       std::to_string(std::min(head.size(), kBinaryCheckBytes)) +
                       " bytes are control bytes): neither a Cabrillo nor an ADIF log");
    // Most logs say what they are on their first line: the rest is looked through only if not.
    if (StartsCabrillo(head.substr(0, kDetectBytes))) return LogFormat::cabrillo;
    // An ADIF tag found near the start is found in the whole; most ADIF logs have one there.
    if (HasAdifTag(ToUpperAscii(head.substr(0, kBinaryCheckBytes)))) return LogFormat::adif;
    const std::string upper = ToUpperAscii(head.substr(0, kDetectBytes));
    if (HasAdifTag(upper)) return LogFormat::adif;
    if (HasAdxElement(upper)) return LogFormat::adx;
    if (HasQsoLine(upper)) return LogFormat::cabrillo;
    return unknown("neither a Cabrillo nor an ADIF log");
}

LogHeader ReadContestLog(std::istream& input, LogVisitor& visitor, const ReadOptions& options) {
    TextSource text(input);
    text.ensure(kDetectBytes);
    std::string why;
    const LogFormat format = DetectLogFormat(text.held().substr(0, kDetectBytes), &why);
    if (text.held().starts_with(kUtf8Bom)) text.consume(kUtf8Bom.size());
    switch (format) {
        case LogFormat::cabrillo:
            return ReadCabrilloText(text, visitor, options);
        case LogFormat::adif:
            return ReadAdifText(text, visitor, options);
        case LogFormat::adx:
            return ReadAdxText(text, visitor, options);
        case LogFormat::unknown:
            break;
    }
    visitor.problem({0, why});
    return {};
}

LogHeader ReadCabrillo(std::istream& input, LogVisitor& visitor, const ReadOptions& options) {
    TextSource text(input);
    if (text.ensure(kUtf8Bom.size()) && text.held().starts_with(kUtf8Bom)) text.consume(kUtf8Bom.size());
    return ReadCabrilloText(text, visitor, options);
}

LogHeader ReadAdif(std::istream& input, LogVisitor& visitor, const ReadOptions& options) {
    TextSource text(input);
    if (text.ensure(kUtf8Bom.size()) && text.held().starts_with(kUtf8Bom)) text.consume(kUtf8Bom.size());
    return ReadAdifText(text, visitor, options);
}

LogHeader ReadAdx(std::istream& input, LogVisitor& visitor, const ReadOptions& options) {
    TextSource text(input);
    if (text.ensure(kUtf8Bom.size()) && text.held().starts_with(kUtf8Bom)) text.consume(kUtf8Bom.size());
    return ReadAdxText(text, visitor, options);
}

LogContents ReadContestLog(std::string_view text, const ReadOptions& options) {
    return Collect(text, [&](std::istream& input, LogVisitor& visitor) { return ReadContestLog(input, visitor, options); });
}
LogContents ReadCabrillo(std::string_view text, const ReadOptions& options) {
    return Collect(text, [&](std::istream& input, LogVisitor& visitor) { return ReadCabrillo(input, visitor, options); });
}
LogContents ReadAdif(std::string_view text, const ReadOptions& options) {
    return Collect(text, [&](std::istream& input, LogVisitor& visitor) { return ReadAdif(input, visitor, options); });
}
LogContents ReadAdx(std::string_view text, const ReadOptions& options) {
    return Collect(text, [&](std::istream& input, LogVisitor& visitor) { return ReadAdx(input, visitor, options); });
}

bool HasControlBytes(std::string_view text, bool tabAllowed) {
    const auto isControl = [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && !(tabAllowed && c == '\t')) || byte == 0x7f;
    };
    // Eight bytes at a time: a block with no byte under 0x20 and none 0x7f (most of any log) is
    // passed whole; the bytes of any other block are looked at one by one.
    constexpr std::uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t block;
        std::memcpy(&block, text.data() + i, 8);
        const std::uint64_t under20 = (block - kOnes * 0x20) & ~block & kHighs;
        const std::uint64_t del = block ^ (kOnes * 0x7f);
        const std::uint64_t is7f = (del - kOnes) & ~del & kHighs;
        if ((under20 | is7f) != 0 && std::any_of(text.data() + i, text.data() + i + 8, isControl)) return true;
    }
    return std::any_of(text.data() + i, text.data() + text.size(), isControl);
}
