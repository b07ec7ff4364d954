#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_store.h"
#include "engine/ole_date.h"

// What became of a write: the operator is told the message either way.
struct CabrilloWriteResult {
    bool written = false;
    std::string message;
};

// Header values and QSO lines of the Cabrillo export. The header values are set by PrepareExport
// and kept until the next export request; the QSO lines are rebuilt by every export.
class CabrilloLog {
public:
    std::string m_callsign, m_name, m_address, m_claimed, m_contest, m_email, m_club, m_soapbox,
        m_operators, m_category, m_fileBaseName;
    std::vector<std::string> m_qsoLines;

    void ClearQsoLines() { m_qsoLines.clear(); }

    // Appends one "QSO:" line (with its CR LF). modeCode is the Cabrillo mode (CabrilloModeCode).
    void AddQsoLine(std::string_view call, int freqKHz, std::string_view modeCode,
                    const OleDateTime& time, std::string_view rstSent, std::string_view exchSent,
                    std::string_view rstReceived, std::string_view exchReceived);

    // The base name with ".cbr", relative to the current directory.
    std::string FileName() const { return m_fileBaseName + ".cbr"; }

    // The whole file: the header, the QSO lines and "END-OF-LOG:".
    std::string FormatLog(std::int64_t claimedScore, std::string_view hostVersion) const;

    // Replaces the file with FormatLog's bytes. A file that could not be written is not reported
    // as produced, and no partial file is left.
    CabrilloWriteResult WriteLog(FileStore& files, std::int64_t claimedScore, std::string_view hostVersion) const;
};
