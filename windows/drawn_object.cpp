#include "windows/drawn_object.h"

#include <cstdlib>
#include <cstring>

#include "windows/gdi.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
// Not pure black: (1,1,1) is what the sunken ring and the focus ring use.
constexpr COLORREF kNearBlack = RGB(1, 1, 1);

COLORREF PaletteGrey(int level) { return PALETTERGB(level, level, level); }

RECT Shrunk(RECT rect, int by) {
    InflateRect(&rect, -by, -by);
    return rect;
}

void FillWith(HDC dc, const RECT& rect, HBRUSH brush) { FillRect(dc, &rect, brush); }

// One frame line on the border of `rect`: top (without its last pixel) and left (without its
// bottom pixel) in `first`; the whole right and bottom edges in `second`, so the top-right and
// bottom-left corners take `second`.
void FrameLine(HDC dc, const RECT& rect, COLORREF first, COLORREF second) {
    const LONG l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    {
        gdi::Brush brush(CreateSolidBrush(first));
        FillWith(dc, {l, t, r - 1, t + 1}, brush.get());
        FillWith(dc, {l, t, l + 1, b - 1}, brush.get());
    }
    gdi::Brush brush(CreateSolidBrush(second));
    FillWith(dc, {r - 1, t, r, b}, brush.get());
    FillWith(dc, {l, b - 1, r, b}, brush.get());
}

}  // namespace

void DrawnObject::DrawLabel(HDC dc, RECT rect, const char* text, COLORREF color) {
    const COLORREF previous = SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, static_cast<int>(std::strlen(text)), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, previous);
}

void DrawnRect::Draw(HDC dc, RECT rect, UINT state, COLORREF face) {
    Fill(dc, rect, face);
    DrawBorder(dc, rect, 2);
    if (!(state & ODS_FOCUS)) return;
    // Pressed: only the outermost line turns sunken; the inner raised line stays.
    if (state & ODS_SELECTED) DrawBorder(dc, rect, -1);
    DrawFocus(dc, Shrunk(rect, 2), face);
}

void DrawnRect::DrawBorder(HDC dc, RECT rect, int depth) {
    const int lines = std::abs(depth);
    for (int k = 1; k <= lines; ++k) {
        COLORREF light = kWhite, dark = kGrey;
        if (lines > 1) {
            light = PaletteGrey(192 + 63 / k);
            dark = PaletteGrey(255 / (k + 1));
        }
        if (depth > 0)
            FrameLine(dc, rect, light, dark);
        else
            FrameLine(dc, rect, dark, light);
        rect = Shrunk(rect, 1);
    }
}

void DrawnRect::Fill(HDC dc, RECT rect, COLORREF color) {
    gdi::Brush brush(CreateSolidBrush(color));
    if (brush) FillRect(dc, &rect, brush.get());
}

void DrawnRect::DrawFocus(HDC dc, RECT rect, COLORREF) { DrawFocusRect(dc, &rect); }

void DrawnEllipse::Draw(HDC dc, RECT rect, UINT state, COLORREF face) {
    RECT r = Shrunk(rect, 1);
    DrawBorder(dc, r, 2);
    r = Shrunk(r, 1);
    Fill(dc, r, face);
    if (!(state & ODS_FOCUS)) return;
    if (state & ODS_SELECTED) {
        DrawBorder(dc, Shrunk(r, -1), -1);
        DrawBorder(dc, r, -1);
    }
    Fill(dc, r, face);
    r = Shrunk(r, 2);
    DrawFocus(dc, r, face);
    Fill(dc, Shrunk(r, 1), face);
}

void DrawnEllipse::DrawBorder(HDC dc, RECT rect, int depth) {
    gdi::Pen pen(CreatePen(PS_SOLID, 2, depth < 0 ? kNearBlack : kGrey));
    gdi::Select selected(dc, pen);
    Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void DrawnEllipse::Fill(HDC dc, RECT rect, COLORREF color) {
    gdi::Pen pen(CreatePen(PS_SOLID, 3, color));
    gdi::Select selected(dc, pen);
    while (!IsRectEmpty(&rect)) {
        rect = Shrunk(rect, 1);
        Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
}

void DrawnEllipse::DrawFocus(HDC dc, RECT rect, COLORREF color) {
    gdi::Pen pen(CreatePen(PS_DOT, 1, kNearBlack));
    gdi::Select selected(dc, pen);
    // The gaps between the dots show the face; mode and colour stay set afterwards.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, color);
    Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
}
