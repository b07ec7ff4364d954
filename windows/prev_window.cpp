#include "windows/prev_window.h"

#include "resources/resource_ids.h"
#include "windows/contest_snapshot.h"
#include "windows/mem_dc.h"
#include "windows/operator_state.h"

namespace {

constexpr COLORREF kCanvasWithCall = 0xC6FFFF;  // RGB(255, 255, 198)
constexpr COLORREF kBandHighlight = 0xFFFFC6;   // RGB(198, 255, 255)

struct ModeLabel {
    int x;
    const char* text;
};
constexpr ModeLabel kModeLabels[] = {{100, "CW"}, {140, "SSB"}, {185, "MF"}, {225, "PS"}, {265, "PM"},
                                     {305, "PO"}, {345, "QS"},  {385, "QM"}, {425, "QO"}, {465, "RY"}};

}  // namespace

void Prev_View::DrawItem(const DRAWITEMSTRUCT& item, const PrevRows& rows) const {
    CMemDC dc(item.hDC);
    const RECT& area = item.rcItem;
    if (g_currentCall.empty()) {
        dc.FillSolidRect(area, kWindowBackground);
        return;
    }
    dc.FillSolidRect(area, kCanvasWithCall);

    // Seven lines fit: the header and the three band rows use the first four.
    const int pitch = area.bottom / 7;
    if (g_currentBand >= 0 && g_currentBand < kContestBands)
        dc.FillSolidRect(RECT{0, (g_currentBand + 1) * pitch + 10, area.right, (g_currentBand + 2) * pitch},
                         kBandHighlight);

    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(260, 0, g_currentCall);
    for (const auto& label : kModeLabels) dc.TextOut(label.x, 18, label.text);

    for (int band = 0; band < kContestBands; ++band) {
        const auto& row = rows[static_cast<std::size_t>(band)];
        const int y = (band + 1) * pitch + 10;
        for (std::size_t k = 0; k < row.size() && k <= static_cast<std::size_t>(kModeColumns); ++k)
            dc.TextOut(k == 0 ? 20 : 60 + 40 * static_cast<int>(k), y, row[k]);
    }
}

Prev::Prev() : ListWindow(IDD_PREV, {"prev_x", "prev_y"}, IDC_PREV_CANVAS, POINT{10, 400}) {}

bool Prev::paintCanvas(const DRAWITEMSTRUCT& item) {
    auto rows = TryCopyPrevRows();
    if (rows) m_lastRows = std::move(*rows);
    m_view.DrawItem(item, m_lastRows);
    return rows.has_value();
}

void Prev::onDestroyed() {
    if (g_prevWindow == this) g_prevWindow = nullptr;
}
