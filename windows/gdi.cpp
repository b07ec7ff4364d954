#include "windows/gdi.h"

namespace gdi {

void DCHandle::FillSolidRect(const RECT& rect, COLORREF color) const {
    Brush brush(CreateSolidBrush(color));
    if (brush) FillRect(m_dc, &rect, brush.get());
}

void DCHandle::TextOut(int x, int y, std::string_view text) const {
    ::TextOutA(m_dc, x, y, text.data(), static_cast<int>(text.size()));
}

}  // namespace gdi
