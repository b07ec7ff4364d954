#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/contest_state.h"

// Copies of the contest data the windows show, taken under the state lock without ever waiting
// for it: the host's thread may hold the lock while it waits for this thread (a reset closes the
// windows), so the window thread gives way and tries again later. Nothing when the lock is busy.
std::optional<PrevRows> TryCopyPrevRows();
// The districts worked on a band and mode column; an empty list for an index outside the table.
std::optional<std::vector<std::string>> TryCopyWorkedDistricts(int band, int modeColumn);

// Lets the call check ask for refreshes again. When a call check found this refresh in flight, and
// another is allowed, takes that request on as the next refresh in flight instead and answers true.
// Nothing when the lock is busy and nothing was done.
std::optional<bool> TryEndRefresh(bool anotherAllowed);

struct CaptionTexts {
    std::string contestYear;
    bool russian = false;
};
std::optional<CaptionTexts> TryCopyCaptionTexts();

// The refresh's data step: fills the previous-QSO rows for the call from the log, under the lock.
// The caption texts as they stand, or nothing when the lock is busy and nothing was done.
std::optional<CaptionTexts> TryFillPrevRows(const std::string& call,
                                            const std::vector<std::string>& bandNames);
