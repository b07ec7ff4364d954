#include "windows/contest_snapshot.h"

#include <windows.h>

namespace {

// Plain data, never destroyed: the window thread may outlive the library's detach.
SRWLOCK g_sourceGate = SRWLOCK_INIT;
ContestSource* g_source = nullptr;

template <typename Operation>
auto ThroughGate(Operation operation) -> decltype(operation(*g_source)) {
    AcquireSRWLockShared(&g_sourceGate);
    decltype(operation(*g_source)) result;
    try {
        if (g_source) result = operation(*g_source);
    } catch (...) {
    }
    ReleaseSRWLockShared(&g_sourceGate);
    return result;
}

}  // namespace

void OpenContestSource(ContestSource& source) {
    AcquireSRWLockExclusive(&g_sourceGate);
    g_source = &source;
    ReleaseSRWLockExclusive(&g_sourceGate);
}

void CloseContestSource() {
    AcquireSRWLockExclusive(&g_sourceGate);
    g_source = nullptr;
    ReleaseSRWLockExclusive(&g_sourceGate);
}

std::optional<PrevRows> TryCopyPrevRows() {
    return ThroughGate([](ContestSource& source) { return source.tryCopyPrevRows(); });
}

std::optional<std::vector<std::string>> TryCopyWorkedDistricts(int band, int modeColumn) {
    return ThroughGate([&](ContestSource& source) { return source.tryCopyWorkedDistricts(band, modeColumn); });
}

std::optional<bool> TryEndRefresh(bool anotherAllowed) {
    return ThroughGate([&](ContestSource& source) { return source.tryEndRefresh(anotherAllowed); });
}

std::optional<CaptionTexts> TryCopyCaptionTexts() {
    return ThroughGate([](ContestSource& source) { return source.tryCopyCaptionTexts(); });
}

std::optional<CaptionTexts> TryFillPrevRows(const std::string& call, const std::vector<std::string>& bandNames) {
    return ThroughGate([&](ContestSource& source) { return source.tryFillPrevRows(call, bandNames); });
}
