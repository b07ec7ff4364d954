#pragma once

#include <string>
#include <vector>

#include "windows/list_window.h"

// The canvas of the district grid: the district codes worked on the current band and mode, in
// ascending order, row by row.
class ZELK_View {
public:
    void DrawItem(const DRAWITEMSTRUCT& item, const std::vector<std::string>& districts) const;
};

// The district grid window (template 107); sizable, the canvas follows the client area.
class ZELK final : public ListWindow {
public:
    ZELK();

protected:
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool paintCanvas(const DRAWITEMSTRUCT& item) override;
    void onDestroyed() override;

private:
    void fitCanvas();

    ZELK_View m_view;
    // The list of the last paint that could read it, and the band and mode column it belongs to.
    std::vector<std::string> m_lastDistricts;
    int m_lastBand = -1, m_lastMode = -1;
};
