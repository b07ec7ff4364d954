#pragma once

#include <windows.h>

// Painters of an owner-drawn button: the whole control for an owner-draw state, and its parts.
// Every operation takes the rectangle by value, so a painter shrinks its own copy freely. The
// painters hold no data; a button makes a fresh one on its stack for each paint.
class DrawnObject {
public:
    // The face, edge and, with ODS_FOCUS, the pressed look and focus mark (ODS_* bits of itemState).
    virtual void Draw(HDC dc, RECT rect, UINT state, COLORREF face) = 0;
    // The caption, centred on one line, transparent background; the text colour is put back,
    // the background mode stays TRANSPARENT.
    virtual void DrawLabel(HDC dc, RECT rect, const char* text, COLORREF color);
    // Positive depth raised, negative sunken, 0 nothing.
    virtual void DrawBorder(HDC dc, RECT rect, int depth) = 0;
    virtual void Fill(HDC dc, RECT rect, COLORREF color) = 0;
    virtual void DrawFocus(HDC dc, RECT rect, COLORREF color) = 0;

protected:
    DrawnObject() = default;
    DrawnObject(const DrawnObject&) = default;
    DrawnObject& operator=(const DrawnObject&) = default;
    // Not deleted through the base: painters live on the stack of the paint.
    ~DrawnObject() = default;
};

class DrawnRect final : public DrawnObject {
public:
    void Draw(HDC dc, RECT rect, UINT state, COLORREF face) override;
    // |depth| one-pixel frames from the outside in; line k of a frame deeper than 1 is lighter
    // outside (grey 192 + 63/k over 255/(k+1)), in palette-relative colours.
    void DrawBorder(HDC dc, RECT rect, int depth) override;
    void Fill(HDC dc, RECT rect, COLORREF color) override;
    // The dotted XOR frame; the colour is not used.
    void DrawFocus(HDC dc, RECT rect, COLORREF color) override;
};

class DrawnEllipse final : public DrawnObject {
public:
    void Draw(HDC dc, RECT rect, UINT state, COLORREF face) override;
    // A 2-pixel ring, grey when raised, near-black when sunken; only the sign of depth counts.
    void DrawBorder(HDC dc, RECT rect, int depth) override;
    // Concentric 3-pixel rings from the outside in.
    void Fill(HDC dc, RECT rect, COLORREF color) override;
    // A dotted near-black ring whose gaps show `color`.
    void DrawFocus(HDC dc, RECT rect, COLORREF color) override;
};
