#pragma once

#include <windows.h>

// Colours of a self-painting control; each setter repaints at once.
class CAdvancedComponent {
public:
    virtual bool SetLabelColor(COLORREF color);
    virtual bool SetFaceColor(COLORREF color);
    virtual void Redraw() = 0;

    COLORREF faceColor() const { return m_faceColor; }
    COLORREF labelColor() const { return m_labelColor; }

protected:
    CAdvancedComponent() = default;
    CAdvancedComponent(const CAdvancedComponent&) = default;
    CAdvancedComponent& operator=(const CAdvancedComponent&) = default;
    ~CAdvancedComponent() = default;

    COLORREF m_faceColor = RGB(240, 240, 240);
    COLORREF m_labelColor = RGB(1, 1, 1);
};

// A push button of a dialog template that paints itself: face, edge, focus mark and caption in
// its owner's colours, as a rectangle or (m_shape == 1) an ellipse. Clicks, focus and enabling
// stay those of the system button. The owner routes its WM_DRAWITEM for this item to DrawItem.
class CAdvancedButton final : public CAdvancedComponent {
public:
    CAdvancedButton() = default;
    CAdvancedButton(const CAdvancedButton&) = delete;
    CAdvancedButton& operator=(const CAdvancedButton&) = delete;

    // Takes the parent's item `id`, makes it owner-drawn and sets the colours and the rectangle
    // shape. False, with nothing changed, when the parent has no such item. Does not repaint.
    bool AttachToItem(UINT id, HWND parent, COLORREF face, COLORREF label, COLORREF disabledLabel);
    // Paints the item from its WM_DRAWITEM, straight into the item's DC.
    void DrawItem(const DRAWITEMSTRUCT& item);
    // Invalidates, erases and repaints before returning.
    void Redraw() override;

    HWND window() const { return m_window; }
    COLORREF disabledLabelColor() const { return m_disabledLabelColor; }

    // 1 = ellipse, any other value = rectangle.
    int m_shape = 0;

private:
    HWND m_window = nullptr;
    COLORREF m_disabledLabelColor = RGB(128, 128, 128);
};
