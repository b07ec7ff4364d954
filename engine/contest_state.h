#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/bad_qso_file.h"
#include "engine/contest_rules.h"
#include "engine/district_list.h"
#include "engine/qso_log.h"

// Districts worked, by band index and mode column; filled by the results, drawn by the grid window.
using WorkedDistricts = std::array<std::array<std::vector<std::string>, kModeColumns>, kBandSlots>;

// Per band index: the band label, then one cell per mode column.
using PrevRows = std::array<std::vector<std::string>, kContestBands>;

// The contest data that adding, removing, checking and reporting work on.
struct ContestState {
    QsoLog qsoLog;
    std::vector<std::string> bandsWorked;  // in the order first worked; the results sort it
    DistrictList districtList;
    std::string badQsoFileName;            // empty until the first reset
    BadQsoBacklog badQsoBacklog;           // what that file could not take yet
    WorkedDistricts workedDistricts;
    PrevRows prevRows;
    // The plug-in writes a DUPE line for every earlier QSO of the call, band and mode, so n copies
    // of a QSO give n(n-1)/2 lines. The committee's programs bound the lines one QSO adds; those
    // not written are counted here (since the reset).
    std::size_t dupeLinesPerQso = std::numeric_limits<std::size_t>::max();
    std::int64_t dupeLinesNotWritten = 0;
};
