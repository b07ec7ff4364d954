#include "reports/cabrillo_log.h"

#include "reports/text_format.h"

namespace {

constexpr const char* kQsoLine = "QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n";

void AppendHeaderLine(std::string& text, std::string_view tag, std::string_view value) {
    text.append(tag);
    text.append(value);
    text.append("\r\n");
}

}  // namespace

void CabrilloLog::AddQsoLine(std::string_view call, int freqKHz, std::string_view modeCode,
                             const OleDateTime& time, std::string_view rstSent,
                             std::string_view exchSent, std::string_view rstReceived,
                             std::string_view exchReceived) {
    const std::string when = FormatOleDate(time, "%Y-%m-%d %H%M");
    m_qsoLines.push_back(FormatText(kQsoLine, freqKHz, std::string(modeCode).c_str(), when.c_str(),
                                    m_callsign.c_str(), std::string(rstSent).c_str(),
                                    std::string(exchSent).c_str(), std::string(call).c_str(),
                                    std::string(rstReceived).c_str(), std::string(exchReceived).c_str()));
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
    AppendHeaderLine(text, "ADDRESS: ", m_address);
    AppendHeaderLine(text, "OPERATORS: ", m_operators);
    AppendHeaderLine(text, "EMAIL: ", m_email);
    AppendHeaderLine(text, "SOAPBOX: ", m_soapbox);
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
