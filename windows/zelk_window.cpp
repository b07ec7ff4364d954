#include "windows/zelk_window.h"

#include "engine/live_display.h"
#include "resources/resource_ids.h"
#include "windows/contest_snapshot.h"
#include "windows/mem_dc.h"
#include "windows/operator_state.h"

void ZELK_View::DrawItem(const DRAWITEMSTRUCT& item, const std::vector<std::string>& districts) const {
    CMemDC dc(item.hDC);
    dc.FillSolidRect(item.rcItem, kWindowBackground);
    if (districts.empty()) return;
    dc.SetBkMode(TRANSPARENT);
    const auto cells = GridLayout(districts.size(), item.rcItem.right);
    for (std::size_t i = 0; i < districts.size(); ++i) dc.TextOut(cells[i].x, cells[i].y, districts[i]);
}

ZELK::ZELK() : ListWindow(IDD_ZELK, {"zelk_x", "zelk_y"}, IDC_ZELK_CANVAS, POINT{10, 200}) {}

bool ZELK::paintCanvas(const DRAWITEMSTRUCT& item) {
    // Nothing to show before a contest band is met, nor for a band or mode outside the table.
    const bool known = g_currentBand >= 0 && g_currentBand < kBandSlots && g_currentMode >= 0 &&
                       g_currentMode < kModeColumns;
    if (!known) {
        m_view.DrawItem(item, {});
        return true;
    }
    auto districts = TryCopyWorkedDistricts(g_currentBand, g_currentMode);
    if (districts) {
        m_lastDistricts = SortedDistricts(std::move(*districts));
        m_lastBand = g_currentBand;
        m_lastMode = g_currentMode;
    }
    const bool current = m_lastBand == g_currentBand && m_lastMode == g_currentMode;
    m_view.DrawItem(item, current ? m_lastDistricts : std::vector<std::string>());
    return districts.has_value();
}

void ZELK::fitCanvas() {
    HWND canvas = GetDlgItem(window(), IDC_ZELK_CANVAS);
    if (!canvas) return;
    RECT client{};
    GetClientRect(window(), &client);
    MoveWindow(canvas, client.left + 1, client.top + 1, client.right - 4, client.bottom - 4, TRUE);
}

INT_PTR ZELK::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        fitCanvas();
        return FALSE;
    }
    return ListWindow::onMessage(message, wParam, lParam);
}

void ZELK::onDestroyed() {
    if (g_zelkWindow == this) g_zelkWindow = nullptr;
}
