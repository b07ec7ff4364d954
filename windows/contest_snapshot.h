#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/contest_state.h"

struct CaptionTexts {
    std::string contestYear;
    bool russian = false;
};

// The contest data the windows show, as the library that owns it hands it down. Every operation
// takes the state's lock without ever waiting for it: the host's thread may hold the lock while it
// waits for this thread, so the window thread gives way and tries again later. Nothing when the
// lock is busy and nothing was done.
class ContestSource {
public:
    virtual std::optional<PrevRows> tryCopyPrevRows() = 0;
    virtual std::optional<std::vector<std::string>> tryCopyWorkedDistricts(int band, int modeColumn) = 0;
    virtual std::optional<bool> tryEndRefresh(bool anotherAllowed) = 0;
    virtual std::optional<CaptionTexts> tryCopyCaptionTexts() = 0;
    virtual std::optional<CaptionTexts> tryFillPrevRows(const std::string& call,
                                                        const std::vector<std::string>& bandNames) = 0;

protected:
    ~ContestSource() = default;
};

// The source the functions below reach, from OpenContestSource until CloseContestSource. The close
// waits for an operation in progress (never long: none waits for anything), and after it every
// operation answers nothing: an unload closes it before the state goes, even while the window
// thread lives on, waiting for the host.
void OpenContestSource(ContestSource& source);
void CloseContestSource();

// Copies of the contest data the windows show (see ContestSource).
std::optional<PrevRows> TryCopyPrevRows();
// The districts worked on a band and mode column; an empty list for an index outside the table.
std::optional<std::vector<std::string>> TryCopyWorkedDistricts(int band, int modeColumn);

// Lets the call check ask for refreshes again. When a call check found this refresh in flight, and
// another is allowed, takes that request on as the next refresh in flight instead and answers true.
// Nothing when the lock is busy and nothing was done.
std::optional<bool> TryEndRefresh(bool anotherAllowed);

std::optional<CaptionTexts> TryCopyCaptionTexts();

// The refresh's data step: fills the previous-QSO rows for the call from the log, under the lock.
// The caption texts as they stand, or nothing when the lock is busy and nothing was done.
std::optional<CaptionTexts> TryFillPrevRows(const std::string& call,
                                            const std::vector<std::string>& bandNames);
