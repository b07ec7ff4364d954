#pragma once

#include "windows/operator_dialog.h"

// A floating window whose client area is one owner-drawn canvas, repainted through a memory DC
// whenever the live refresh asks. The operator cannot close it; the setup window opens and
// closes it. It keeps its place in the ini file.
class ListWindow : public OperatorDialog {
public:
    // Creates the window from its template with no parent and shows it without taking the focus
    // from the host; false when it could not be created.
    bool open();
    // Asks the canvas to repaint (no erase: the paint covers it whole).
    void invalidateCanvas();
    void setCaption1251(std::string_view caption);

protected:
    ListWindow(int templateId, PositionKeys keys, int canvasId, POINT defaultPosition)
        : OperatorDialog(templateId, keys), m_canvasId(canvasId), m_defaultPosition(defaultPosition) {}

    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL onInitDialog() override;
    // Enter and Escape do not close a list window.
    void onOk() override {}
    void onCancel() override {}

    // Paints the canvas; false when the contest data was busy and the picture may be stale.
    virtual bool paintCanvas(const DRAWITEMSTRUCT& item) = 0;
    int canvasId() const { return m_canvasId; }

private:
    int m_canvasId;
    POINT m_defaultPosition;
};
