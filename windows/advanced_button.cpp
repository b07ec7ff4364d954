#include "windows/advanced_button.h"

#include "windows/drawn_object.h"

bool CAdvancedComponent::SetLabelColor(COLORREF color) {
    m_labelColor = color;
    Redraw();
    return true;
}

bool CAdvancedComponent::SetFaceColor(COLORREF color) {
    m_faceColor = color;
    Redraw();
    return true;
}

bool CAdvancedButton::AttachToItem(UINT id, HWND parent, COLORREF face, COLORREF label,
                                   COLORREF disabledLabel) {
    HWND item = GetDlgItem(parent, static_cast<int>(id));
    if (!item) return false;
    SetWindowLongPtrA(item, GWL_STYLE, GetWindowLongPtrA(item, GWL_STYLE) | BS_OWNERDRAW);
    m_window = item;
    m_faceColor = face;
    m_labelColor = label;
    m_disabledLabelColor = disabledLabel;
    m_shape = 0;
    return true;
}

void CAdvancedButton::DrawItem(const DRAWITEMSTRUCT& item) {
    DrawnEllipse ellipse;
    DrawnRect rect;
    DrawnObject& painter = m_shape == 1 ? static_cast<DrawnObject&>(ellipse) : rect;

    char text[512] = "";
    GetWindowTextA(m_window ? m_window : item.hwndItem, text, sizeof text);

    painter.Draw(item.hDC, item.rcItem, item.itemState, m_faceColor);
    painter.DrawLabel(item.hDC, item.rcItem, text,
                      (item.itemState & ODS_DISABLED) ? m_disabledLabelColor : m_labelColor);
}

void CAdvancedButton::Redraw() {
    // RedrawWindow with no window would repaint the whole desktop.
    if (m_window) RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
