#include "windows/mem_dc.h"

#include <utility>

CMemDC::CMemDC(HDC target) : DCHandle(target), m_target(target) {
    gdi::MemoryDC memory(CreateCompatibleDC(target));
    GetClipBox(target, &m_area);
    if (!memory) return;
    gdi::Bitmap buffer(
        CreateCompatibleBitmap(target, m_area.right - m_area.left, m_area.bottom - m_area.top));
    if (!buffer) return;

    m_previousBitmap = SelectObject(memory.get(), buffer.get());
    SetWindowOrgEx(memory.get(), m_area.left, m_area.top, nullptr);
    m_memory = std::move(memory);
    m_buffer = std::move(buffer);
    m_dc = m_memory.get();
}

CMemDC::~CMemDC() {
    if (!m_buffer) return;
    BitBlt(m_target, m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top,
           m_memory.get(), m_area.left, m_area.top, SRCCOPY);
    SelectObject(m_memory.get(), m_previousBitmap);
    // The members then delete the bitmap, and after it the memory DC.
}
