#include "windows/contest_snapshot.h"

#include "boundary/plugin_globals.h"
#include "engine/live_display.h"
#include "windows/window_thread_state.h"

std::optional<PrevRows> TryCopyPrevRows() {
    auto state = g_pluginState.tryLock();
    if (!state) return std::nullopt;
    return (*state)->contest.prevRows;
}

std::optional<std::vector<std::string>> TryCopyWorkedDistricts(int band, int modeColumn) {
    if (band < 0 || band >= kBandSlots || modeColumn < 0 || modeColumn >= kModeColumns)
        return std::vector<std::string>();
    auto state = g_pluginState.tryLock();
    if (!state) return std::nullopt;
    return (*state)->contest.workedDistricts[static_cast<std::size_t>(band)][static_cast<std::size_t>(modeColumn)];
}

std::optional<CaptionTexts> TryCopyCaptionTexts() {
    auto state = g_pluginState.tryLock();
    if (!state) return std::nullopt;
    return CaptionTexts{(*state)->contestYear, (*state)->russianUi != 0};
}

std::optional<CaptionTexts> TryFillPrevRows(const std::string& call,
                                            const std::vector<std::string>& bandNames) {
    auto state = g_pluginState.tryLock();
    if (!state) return std::nullopt;
    FillPrevRows((*state)->contest.qsoLog, call, bandNames, (*state)->contest.prevRows);
    return CaptionTexts{(*state)->contestYear, (*state)->russianUi != 0};
}

std::optional<bool> TryEndRefresh(bool anotherAllowed) {
    auto state = g_pluginState.tryLock();
    if (!state) return std::nullopt;
    // Under the lock no call check runs: the flag and the missed request agree.
    if (g_refreshMissed.exchange(false) && anotherAllowed) {
        (*state)->refreshReady = 0;
        return true;
    }
    (*state)->refreshReady = 1;
    return false;
}
