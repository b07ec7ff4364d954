#include "windows/contest_snapshot.h"

#include <mutex>

#include "boundary/plugin_globals.h"
#include "engine/live_display.h"

std::optional<PrevRows> TryCopyPrevRows() {
    std::unique_lock lock(g_stateLock, std::try_to_lock);
    if (!lock) return std::nullopt;
    return g_prevRows;
}

std::optional<std::vector<std::string>> TryCopyWorkedDistricts(int band, int modeColumn) {
    if (band < 0 || band >= kBandSlots || modeColumn < 0 || modeColumn >= kModeColumns)
        return std::vector<std::string>();
    std::unique_lock lock(g_stateLock, std::try_to_lock);
    if (!lock) return std::nullopt;
    return g_workedDistricts[static_cast<std::size_t>(band)][static_cast<std::size_t>(modeColumn)];
}

std::optional<CaptionTexts> TryCopyCaptionTexts() {
    std::unique_lock lock(g_stateLock, std::try_to_lock);
    if (!lock) return std::nullopt;
    return CaptionTexts{g_contestYear, g_russianUi != 0};
}

std::optional<CaptionTexts> TryFillPrevRows(const std::string& call,
                                            const std::vector<std::string>& bandNames) {
    std::unique_lock lock(g_stateLock, std::try_to_lock);
    if (!lock) return std::nullopt;
    FillPrevRows(g_qsoLog, call, bandNames, g_prevRows);
    return CaptionTexts{g_contestYear, g_russianUi != 0};
}
