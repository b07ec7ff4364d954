#pragma once

#include <windows.h>

#include "windows/gdi.h"

// Collects a picture off screen and copies it to the target in one BitBlt when it goes (in the
// manner of WTL's CMemoryDC). The buffer covers the target's clip box and is drawn on in the
// target's own coordinates; its content starts undefined, so fill the background first. When
// no buffer can be made, the drawing goes straight to the target.
class CMemDC final : public gdi::DCHandle {
public:
    explicit CMemDC(HDC target);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    // The part of the target that the buffer covers, in target coordinates.
    const RECT& area() const { return m_area; }
    bool buffered() const { return static_cast<bool>(m_buffer); }

private:
    gdi::MemoryDC m_memory;
    gdi::Bitmap m_buffer;
    HGDIOBJ m_previousBitmap = nullptr;
    HDC m_target;
    RECT m_area{};
};
