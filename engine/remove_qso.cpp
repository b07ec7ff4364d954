#include "engine/remove_qso.h"

#include "engine/bad_qso_file.h"
#include "engine/bad_qso_line.h"

bool RemoveQsoFromLog(ContestState& state, const QsoInput& qso, Platform& platform, FileStore& files) {
    BadQsoLineKey key = BadQsoLineKeyOf(qso);
    auto match = state.qsoLog.findRemovalMatch(qso.call, qso.band, qso.mode, qso.time);
    if (match) {
        // The record is found without the frequency, so the host may send another one than it
        // logged; the lines carry the logged one.
        key.freqKHz = static_cast<unsigned>(state.qsoLog.at(*match).m_freqKHz);
        state.qsoLog.removeAt(*match);
    }

    // A rejected QSO has no record but its lines go all the same.
    PruneBadQsoFile(files, state.badQsoFileName, state.badQsoBacklog, key);

    if (state.qsoLog.empty())
        for (auto& band : state.workedDistricts)
            for (auto& districts : band) districts.clear();

    if (platform.setupWindowOpen()) platform.postRefresh();
    return match.has_value();
}
