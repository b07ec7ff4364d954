#pragma once

#include <string_view>

#include "engine/platform.h"
#include "reports/cabrillo_log.h"

// Loads the header values from the plug-in's ini file, runs the header dialog and keeps the
// operator's answers (stored back in the ini file after OK). Returns 1 after OK, 0 after Cancel;
// either way the log is left ready for the export with the values it now holds.
int PrepareExport(CabrilloLog& log, std::string_view callsign, Platform& platform);
