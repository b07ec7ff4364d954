#include "boundary/plugin_contest_source.h"

#include "boundary/plugin_globals.h"
#include "engine/live_display.h"
#include "windows/window_thread_state.h"

namespace {

class StateSource final : public ContestSource {
public:
    std::optional<PrevRows> tryCopyPrevRows() override {
        auto state = g_pluginState.tryLock();
        if (!state) return std::nullopt;
        return (*state)->contest.prevRows;
    }

    std::optional<std::vector<std::string>> tryCopyWorkedDistricts(int band, int modeColumn) override {
        if (band < 0 || band >= kBandSlots || modeColumn < 0 || modeColumn >= kModeColumns)
            return std::vector<std::string>();
        auto state = g_pluginState.tryLock();
        if (!state) return std::nullopt;
        return (*state)->contest.workedDistricts[static_cast<std::size_t>(band)][static_cast<std::size_t>(modeColumn)];
    }

    std::optional<CaptionTexts> tryCopyCaptionTexts() override {
        auto state = g_pluginState.tryLock();
        if (!state) return std::nullopt;
        return CaptionTexts{(*state)->contestYear, (*state)->russianUi != 0};
    }

    std::optional<CaptionTexts> tryFillPrevRows(const std::string& call,
                                                const std::vector<std::string>& bandNames) override {
        auto state = g_pluginState.tryLock();
        if (!state) return std::nullopt;
        FillPrevRows((*state)->contest.qsoLog, call, bandNames, (*state)->contest.prevRows);
        return CaptionTexts{(*state)->contestYear, (*state)->russianUi != 0};
    }

    std::optional<bool> tryEndRefresh(bool anotherAllowed) override {
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
};

StateSource g_source;

}  // namespace

ContestSource& PluginContestSource() { return g_source; }
