#pragma once

#include "engine/contest_state.h"
#include "windows/list_window.h"

// The canvas of the previous-QSO window: for the call being entered, the time of the last QSO
// with it on every band and in every mode, the band in use highlighted.
class Prev_View {
public:
    void DrawItem(const DRAWITEMSTRUCT& item, const PrevRows& rows) const;
};

// The previous-QSO window (template 106).
class Prev final : public ListWindow {
public:
    Prev();

protected:
    bool paintCanvas(const DRAWITEMSTRUCT& item) override;
    void onDestroyed() override;

private:
    Prev_View m_view;
    PrevRows m_lastRows;  // the rows of the last paint that could read them
};
