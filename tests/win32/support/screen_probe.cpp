#include "support/screen_probe.h"

namespace {

// Copies the DC's rectangle into a 32-bit top-down DIB and converts it to COLORREF values.
Pixels ReadPixels(HDC source, const RECT& area) {
    Pixels pixels;
    pixels.width = area.right - area.left;
    pixels.height = area.bottom - area.top;
    if (pixels.width <= 0 || pixels.height <= 0) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* raw = static_cast<const std::uint32_t*>(bits);
    pixels.colors.reserve(static_cast<std::size_t>(pixels.width * pixels.height));
    for (int i = 0; i < pixels.width * pixels.height; ++i) {
        const std::uint32_t bgra = raw[i];
        pixels.colors.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

struct TitleSearch {
    const std::wstring* prefix;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    if (TitleOf(window).rfind(*search->prefix, 0) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

Pixels CaptureWindow(HWND window, const RECT& area) {
    HDC dc = GetDC(window);
    Pixels pixels = ReadPixels(dc, area);
    ReleaseDC(window, dc);
    return pixels;
}

Pixels RenderText(const RECT& area, COLORREF background, int x, int y, const std::string& text) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT whole{0, 0, area.right, area.bottom};
    FillRect(memory, &whole, brush);
    DeleteObject(brush);
    SetBkMode(memory, TRANSPARENT);
    TextOutA(memory, x, y, text.c_str(), static_cast<int>(text.size()));
    Pixels pixels = ReadPixels(memory, area);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    return title;
}

HWND WaitForWindowTitled(const std::wstring& prefix, int timeoutMs) {
    TitleSearch search{&prefix, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

std::wstring WaitForTitle(HWND window, const std::wstring& title, int timeoutMs) {
    std::wstring seen;
    WaitUntil(
        [&] {
            seen = TitleOf(window);
            return seen == title;
        },
        timeoutMs);
    return seen;
}
