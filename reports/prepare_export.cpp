#include "reports/prepare_export.h"

int PrepareExport(CabrilloLog& log, std::string_view callsign, Platform& platform) {
    log.m_callsign = callsign;
    HeaderDialogValues values;
    values.callsign = callsign;
    return platform.runHeaderDialog(values) ? 1 : 0;
}
