#include "reports/cabrillo_export.h"

#include "reports/cabrillo_modes.h"

CabrilloWriteResult ExportCabrillo(CabrilloLog& cabrillo, const QsoLog& log, std::int64_t claimedScore,
                                   std::string_view hostVersion, FileStore& files) {
    cabrillo.ClearQsoLines();
    for (const CInfo& record : log) {
        cabrillo.AddQsoLine(record.m_call, record.m_freqKHz, CabrilloModeCode(record.m_mode),
                            record.m_time, record.m_rstSent, record.m_exchSent,
                            record.m_rstReceived, record.m_exchReceived);
    }
    return cabrillo.WriteLog(files, claimedScore, hostVersion);
}
