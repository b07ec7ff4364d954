#pragma once

#include <windows.h>

#include <string_view>

// Thin RAII for GDI: owned handles close themselves, borrowed ones never do, selections are put
// back, and a DC from GetDC goes back to its window.
namespace gdi {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DeleteMemoryDC {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};

// Owns one handle and closes it exactly once (in the manner of WIL's unique_any).
template <typename Handle, typename Close>
class Unique {
public:
    Unique() noexcept = default;
    explicit Unique(Handle handle) noexcept : m_handle(handle) {}
    Unique(Unique&& other) noexcept : m_handle(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }

    Handle release() noexcept {
        Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void reset(Handle handle = nullptr) noexcept {
        if (m_handle) Close{}(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};

using Pen = Unique<HPEN, DeleteGdiObject>;
using Brush = Unique<HBRUSH, DeleteGdiObject>;
using Bitmap = Unique<HBITMAP, DeleteGdiObject>;
using MemoryDC = Unique<HDC, DeleteMemoryDC>;

// Selects an object into a DC and selects the previous one back when it goes. Declare the object
// before its guard, so that the guard deselects it before the object is deleted. A null object
// (a failed creation) selects nothing and leaves the DC as it is.
class Select {
public:
    Select(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    template <typename Handle, typename Close>
    Select(HDC dc, const Unique<Handle, Close>& object) noexcept : Select(dc, object.get()) {}
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;
    ~Select() {
        if (m_previous && m_previous != HGDI_ERROR) SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A DC obtained with GetDC, released with ReleaseDC.
class ClientDC {
public:
    explicit ClientDC(HWND window) noexcept : m_window(window), m_dc(GetDC(window)) {}
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    ~ClientDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }

    HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// A DC that someone else owns (the hDC of a DRAWITEMSTRUCT, a ClientDC), with the drawing
// operations the operator windows use. Copying it copies the borrowed handle; nothing is closed.
class DCHandle {
public:
    explicit DCHandle(HDC dc = nullptr) noexcept : m_dc(dc) {}

    HDC dc() const noexcept { return m_dc; }

    // Fills with a solid colour; the DC's brush and background colour are left alone.
    void FillSolidRect(const RECT& rect, COLORREF color) const;
    int SetBkMode(int mode) const { return ::SetBkMode(m_dc, mode); }
    COLORREF SetBkColor(COLORREF color) const { return ::SetBkColor(m_dc, color); }
    COLORREF SetTextColor(COLORREF color) const { return ::SetTextColor(m_dc, color); }
    // Narrow text in the ANSI code page, drawn with the DC's current font and colours.
    void TextOut(int x, int y, std::string_view text) const;

protected:
    HDC m_dc;
};

}  // namespace gdi
