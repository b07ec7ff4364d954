#include "engine/bad_qso_line.h"

#include <array>

#include "engine/single_line.h"

namespace {

constexpr std::string_view kSeparator = "  ";
constexpr std::string_view kLineStart = "QSO:  ";

constexpr std::array<std::string_view, 5> kReasonTexts = {
    "   WRONG BAND !!!",
    "   WRONG MODE !!!",
    "   NO RX NUMBER !!!",
    "  ZELK Code Area is not acceptable !!!",
    "   DUPE !!!",
};

// The fixed-form head of a finding line: everything up to and including the blanks after the
// date-time. Host texts are written as one line each (SingleLine), and looked for so.
std::string LineHead(unsigned freqKHz, std::string_view mode, std::string_view dateTime) {
    std::string head(kLineStart);
    head += std::to_string(freqKHz);
    head.append(kSeparator).append(SingleLine(mode)).append(kSeparator).append(dateTime).append(kSeparator);
    return head;
}

// Non-overlapping separators counted from the left, which is the most any split can use.
std::size_t SeparatorCount(std::string_view text) {
    std::size_t count = 0;
    for (auto at = text.find(kSeparator); at != std::string_view::npos; at = text.find(kSeparator, at + 2))
        ++count;
    return count;
}

}  // namespace

std::string_view ReasonText(BadQsoReason reason) { return kReasonTexts[static_cast<std::size_t>(reason)]; }

std::string BadQsoDateTime(const OleDateTime& time) { return FormatOleDate(time, "%Y-%m-%d %H%M"); }

std::string FormatBadQsoLine(const QsoInput& qso, BadQsoReason reason, std::string_view districtCode) {
    std::string line = LineHead(qso.frequencyHz / 1000, qso.mode, BadQsoDateTime(qso.time));
    for (std::string_view field : {qso.myCall, qso.rstSent, qso.exchSent, qso.call, qso.rstReceived})
        line.append(SingleLine(field)).append(kSeparator);
    line.append(SingleLine(qso.exchReceived));
    if (reason == BadQsoReason::unknownDistrict) line.append(kSeparator).append(SingleLine(districtCode));
    line.append(ReasonText(reason)).append("\r\n");
    return line;
}

BadQsoLineKey BadQsoLineKeyOf(const QsoInput& qso) {
    return {qso.frequencyHz / 1000, qso.mode, BadQsoDateTime(qso.time), qso.call};
}

// Frequency, mode and date-time are known from the key, so the line must begin with exactly the
// head they give. After the head come own call, sent RST, sent exchange, call worked, received RST,
// received exchange (and the district code on a district line), joined by two blanks, then the
// reason. Host texts may hold blanks themselves, so that split is not always unique: the line
// belongs to the QSO when some split puts the call in the worked-call place, that is when
// "  call  " stands with room for the three fields before it and the fields after it.
FindingLineMatcher::FindingLineMatcher(const BadQsoLineKey& key)
    : m_head(LineHead(key.freqKHz, key.mode, key.dateTime)) {
    m_needle.append(kSeparator).append(SingleLine(key.call)).append(kSeparator);
}

bool FindingLineMatcher::matches(std::string_view line) const {
    if (!line.starts_with(m_head)) return false;
    std::string_view fields = line.substr(m_head.size());

    std::size_t fieldsAfterCall = 0;
    for (std::size_t i = 0; i < kReasonTexts.size(); ++i) {
        if (fields.ends_with(kReasonTexts[i])) {
            fields.remove_suffix(kReasonTexts[i].size());
            fieldsAfterCall = static_cast<BadQsoReason>(i) == BadQsoReason::unknownDistrict ? 3 : 2;
            break;
        }
    }
    if (fieldsAfterCall == 0) return false;

    for (auto at = fields.find(m_needle); at != std::string_view::npos; at = fields.find(m_needle, at + 1)) {
        if (SeparatorCount(fields.substr(0, at)) >= 2 &&
            SeparatorCount(fields.substr(at + m_needle.size())) >= fieldsAfterCall - 1)
            return true;
    }
    return false;
}

bool IsFindingLineOf(std::string_view line, const BadQsoLineKey& key) {
    return FindingLineMatcher(key).matches(line);
}
