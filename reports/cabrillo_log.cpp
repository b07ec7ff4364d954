#include "reports/cabrillo_log.h"

#include "engine/single_line.h"
#include "reports/text_format.h"

namespace {

constexpr const char* kQsoLine = "QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n";

// No value, wherever it came from, can end its line early or add one of its own.
void AppendHeaderLine(std::string& text, std::string_view tag, std::string_view value) {
    text.append(tag);
    text.append(SingleLine(value));
    text.append("\r\n");
}

// A multi-line value gives one tagged line per line of its own. It arrives in continuation form,
// each later line already behind its tag, which is taken off so that it is not written twice; a
// line break of any other kind (a lone CR or LF) also starts a new tagged line.
void AppendMultiLineValue(std::string& text, std::string_view tag, std::string_view value) {
    for (bool first = true;; first = false) {
        const std::size_t end = value.find_first_of("\r\n");
        std::string_view line = value.substr(0, end);
        if (!first && line.starts_with(tag)) line.remove_prefix(tag.size());
        AppendHeaderLine(text, tag, line);
        if (end == std::string_view::npos) return;
        value.remove_prefix(value.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
    }
}

}  // namespace

void CabrilloLog::AddQsoLine(std::string_view call, int freqKHz, std::string_view modeCode,
                             const OleDateTime& time, std::string_view rstSent,
                             std::string_view exchSent, std::string_view rstReceived,
                             std::string_view exchReceived) {
    const std::string when = FormatOleDate(time, "%Y-%m-%d %H%M");
    m_qsoLines.push_back(FormatText(kQsoLine, freqKHz, SingleLine(modeCode).c_str(), when.c_str(),
                                    SingleLine(m_callsign).c_str(), SingleLine(rstSent).c_str(),
                                    SingleLine(exchSent).c_str(), SingleLine(call).c_str(),
                                    SingleLine(rstReceived).c_str(), SingleLine(exchReceived).c_str()));
}

std::string CabrilloLog::FormatLog(std::int64_t claimedScore, std::string_view hostVersion) const {
    std::string text = "START-OF-LOG: 2.0\r\nARRL-SECTION: DX\r\n";
    AppendHeaderLine(text, "CALLSIGN: ", m_callsign);
    text += "CONTEST: ZELK\r\n";
    AppendHeaderLine(text, "CATEGORY: ", m_category);
    AppendHeaderLine(text, "CLAIMED-SCORE: ", std::to_string(claimedScore));
    AppendHeaderLine(text, "CLUB: ", m_club);
    AppendHeaderLine(text, "CREATED-BY: Vexl ", hostVersion);
    AppendHeaderLine(text, "NAME: ", m_name);
    AppendMultiLineValue(text, "ADDRESS: ", m_address);
    AppendHeaderLine(text, "OPERATORS: ", m_operators);
    AppendHeaderLine(text, "EMAIL: ", m_email);
    AppendMultiLineValue(text, "SOAPBOX: ", m_soapbox);
    for (const std::string& line : m_qsoLines) text += line;
    text += "END-OF-LOG:\r\n";
    return text;
}

CabrilloWriteResult CabrilloLog::WriteLog(FileStore& files, std::int64_t claimedScore,
                                          std::string_view hostVersion) const {
    const std::string fileName = FileName();
    CabrilloWriteResult result;
    result.written = files.replace(fileName, FormatLog(claimedScore, hostVersion));
    result.message = (result.written ? "File produced: " : "Cabrillo file could not be written: ") + fileName;
    return result;
}
