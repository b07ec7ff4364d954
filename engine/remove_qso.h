#pragma once

#include "engine/contest_state.h"
#include "engine/file_store.h"
#include "engine/platform.h"
#include "engine/qso_input.h"

// Removes the first record with the QSO's call, band, mode and date-time, drops the QSO's own
// finding lines from the bad-QSO file, empties the districts worked once the log is empty and
// asks the open windows to refresh. Returns whether a record was removed.
bool RemoveQsoFromLog(ContestState& state, const QsoInput& qso, Platform& platform, FileStore& files);
