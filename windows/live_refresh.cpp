// The refresh that makes the operator windows follow the host: the call being entered, its
// earlier QSOs, the band and the mode.
#include <algorithm>

#include "engine/contest_rules.h"
#include "engine/live_display.h"
#include "windows/host_conversation.h"
#include "windows/operator_state.h"
#include "windows/prev_window.h"
#include "windows/setup_window.h"
#include "windows/window_thread_state.h"
#include "windows/zelk_window.h"

namespace {
constexpr UINT kRefreshRetryMs = 20;
// While typing goes on, the next refresh starts this long after the last one ended: every key
// typed meanwhile is shown by that one refresh, and the host's thread keeps most of the
// processor. The first key after a pause is followed at once.
constexpr DWORD kRefreshPaceMs = 50;
constexpr DWORD kPaceStepMs = 5;
// The wParam of a refresh that follows the last one after the pace.
constexpr WPARAM kPacedRefresh = 1;
}

// The paced refresh waits here rather than on a timer, so that it stays a message in the queue
// until it has run: whoever waits for the window thread to catch up with its messages also waits
// for it. A stop ends the wait within a step.
void Setup::waitForPace() {
    while (!stopping()) {
        const DWORD spent = GetTickCount() - m_lastRefreshEnd;
        if (spent >= kRefreshPaceMs) return;
        Sleep(std::min(kPaceStepMs, kRefreshPaceMs - spent));
    }
}

LRESULT Setup::OnZelkUpdate(WPARAM wParam, LPARAM) {
    // A request that arrives while the refresh waits for the host runs once the refresh is done.
    if (m_refreshing) {
        m_refreshAgain = true;
        return 0;
    }
    KillTimer(window(), kRefreshEndTimer);
    RefreshEnd end = RefreshEnd::done;
    {
        HostCallScope refreshing(m_refreshing);
        if (wParam == kPacedRefresh) waitForPace();
        if (!stopping()) end = runRefresh();
    }
    // Closing windows leave the contest state alone: at an unload it may be gone already.
    if (stopping()) return 0;
    if (end == RefreshEnd::retryLater) {
        SetTimer(window(), kRefreshRetryTimer, kRefreshRetryMs, nullptr);
        return 0;
    }
    endRefresh();
    return 0;
}

// Every end of a refresh lets the call check ask again, a host error included, so the display
// never stops following the typed calls. A keystroke checked while this refresh ran may not be
// shown yet: one more after the pace, still only one in flight, so the call checks meanwhile
// post nothing.
void Setup::endRefresh() {
    const auto another = TryEndRefresh(!stopping());
    if (!another) {
        SetTimer(window(), kRefreshEndTimer, kRefreshRetryMs, nullptr);
        return;
    }
    if (*another || (m_refreshAgain && !stopping())) {
        m_lastRefreshEnd = GetTickCount();
        PostMessageW(window(), ZELK_UPDATE, kPacedRefresh, 0);
    }
    m_refreshAgain = false;
}

Setup::RefreshEnd Setup::runRefresh() {
    if (m_viewPrev != 0 && !g_prevWindow) openPrevWindow(true);
    if (m_viewZelk != 0 && !g_zelkWindow) openZelkWindow(true);
    HostConversation conversation;
    if (!conversation.begun() || !g_host.connected()) return RefreshEnd::done;

    // The entry read now shows every key checked so far: only a later one asks for another refresh.
    g_refreshMissed.store(false);
    std::optional<std::string> entry;
    {
        HostCallScope scope(m_inHostCall);
        entry = g_host.GetEntryField();
    }
    if (!entry || stopping()) return RefreshEnd::done;
    g_currentCall = *entry;
    if (!g_currentCall.empty() && g_currentCall.size() < 3) return RefreshEnd::done;

    auto texts = TryFillPrevRows(g_currentCall, g_prevBandNames);
    if (!texts) return RefreshEnd::retryLater;
    m_texts = *texts;
    if (g_prevWindow) {
        g_prevWindow->setCaption1251(
            g_currentCall.empty() ? PrevCaptionNoCall(m_texts.contestYear, m_texts.russian)
                                  : PrevCaptionWithCall(m_texts.contestYear, g_currentCall, m_texts.russian));
    }

    std::optional<double> frequency;
    {
        HostCallScope scope(m_inHostCall);
        frequency = g_host.GetFrequency();
    }
    if (!frequency || stopping()) return RefreshEnd::done;
    if (ShouldSendSp1(*frequency, g_lastSp1Frequency)) {
        bool sent;
        {
            HostCallScope scope(m_inHostCall);
            sent = g_host.SendMacro("<SP1>");
        }
        if (!sent || stopping()) return RefreshEnd::done;
        g_lastSp1Frequency = *frequency;
    }

    const auto band = ContestBandOfFrequency(*frequency);
    if (!band) return RefreshEnd::done;
    g_currentBand = *band;

    std::optional<std::string> mode;
    {
        HostCallScope scope(m_inHostCall);
        mode = g_host.GetMode();
    }
    if (!mode || stopping()) return RefreshEnd::done;
    if (auto column = ModeColumn(*mode)) g_currentMode = *column;

    if (g_prevWindow) g_prevWindow->invalidateCanvas();
    if (g_zelkWindow) {
        g_zelkWindow->setCaption1251(
            GridCaptionBand(m_texts.contestYear, g_bandList[static_cast<std::size_t>(*band)], *mode));
        g_zelkWindow->invalidateCanvas();
    }
    return RefreshEnd::done;
}
