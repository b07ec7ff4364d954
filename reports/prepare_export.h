#pragma once

#include <string_view>

#include "engine/platform.h"
#include "reports/cabrillo_log.h"

// Loads the header values, runs the header dialog and keeps the operator's answers.
// Returns 1 after OK, 0 after Cancel.
int PrepareExport(CabrilloLog& log, std::string_view callsign, Platform& platform);
