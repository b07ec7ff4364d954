#pragma once

#include <cstdint>
#include <string>

#include "engine/contest_state.h"
#include "reports/cabrillo_log.h"

// Everything the plug-in keeps between the host's calls. The DLL holds one instance; tests make
// their own.
struct PluginState {
    ContestState contest;

    std::string myCall;
    std::string contestStart;  // "%d.%m"
    std::string contestYear;   // "%Y"
    std::string contestEnd;    // "%d.%m.%Y"
    std::string hostVersion;   // empty until a reset finds it or sets the default "Vexl"

    std::int32_t htmlResults = 0;
    std::int32_t cabrilloRequested = 0;
    std::int32_t startValue = 0;
    std::int32_t russianUi = 0;
    std::int32_t refreshReady = 1;
    std::int64_t claimedScore = 0;

    std::string resultText;
    CabrilloLog cabrilloLog;
};
