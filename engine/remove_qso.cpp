#include "engine/remove_qso.h"

#include "engine/bad_qso_file.h"
#include "engine/bad_qso_line.h"

bool RemoveQsoFromLog(ContestState& state, const QsoInput& qso, Platform& platform, FileStore& files) {
    auto match = state.qsoLog.findRemovalMatch(qso.call, qso.band, qso.mode, qso.time);
    if (match) state.qsoLog.removeAt(*match);

    // A rejected QSO has no record but its lines go all the same.
    PruneBadQsoFile(files, state.badQsoFileName, BadQsoLineKeyOf(qso));

    if (state.qsoLog.empty())
        for (auto& band : state.workedDistricts)
            for (auto& districts : band) districts.clear();

    if (platform.setupWindowOpen()) platform.postRefresh();
    return match.has_value();
}
