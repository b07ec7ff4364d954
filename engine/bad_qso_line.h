#pragma once

#include <string>
#include <string_view>

#include "engine/qso_input.h"

enum class BadQsoReason { wrongBand, wrongMode, noExchange, unknownDistrict, dupe };

// The reason text that ends a finding line, leading blanks included.
std::string_view ReasonText(BadQsoReason reason);

// The date-time text of finding lines and of the removal's search for them.
std::string BadQsoDateTime(const OleDateTime& time);

// One finding line with its CR LF: frequency in kHz, mode, date-time, own call, sent RST and
// exchange, call worked, received RST and exchange, the cleaned code for an unknown district,
// then the reason.
std::string FormatBadQsoLine(const QsoInput& qso, BadQsoReason reason, std::string_view districtCode = {});

// What the removal knows of a QSO to find its finding lines again; it views the QSO's texts.
struct BadQsoLineKey {
    unsigned freqKHz = 0;
    std::string_view mode;
    std::string dateTime;  // as BadQsoDateTime gives it
    std::string_view call;
};

BadQsoLineKey BadQsoLineKeyOf(const QsoInput& qso);

// Tells the finding lines about a QSO with the key's frequency, mode, date-time and call worked.
// A line that does not have the finding layout is never one.
class FindingLineMatcher {
public:
    explicit FindingLineMatcher(const BadQsoLineKey& key);
    bool matches(std::string_view line) const;

private:
    std::string m_head;    // the fixed-form start of the QSO's lines
    std::string m_needle;  // the call between its separators
};

bool IsFindingLineOf(std::string_view line, const BadQsoLineKey& key);
