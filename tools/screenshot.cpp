#include "tools/screenshot.h"

#include <wincodec.h>

#include <algorithm>

#include "tools/ole_values.h"

namespace {

// COM on this thread for the encoder; a thread that has it already (in either apartment) keeps it.
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

// The screen's pixels of one area, copied into a top-down 24-bit DIB section.
class Capture {
public:
    Capture(const RECT& area) : m_width(area.right - area.left), m_height(area.bottom - area.top) {
        HDC screen = GetDC(nullptr);
        if (!screen) return;
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;  // top row first, as the encoder wants it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        m_bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (memory && m_bitmap) {
            HGDIOBJ previous = SelectObject(memory, m_bitmap);
            m_copied = BitBlt(memory, 0, 0, m_width, m_height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
            SelectObject(memory, previous);
            GdiFlush();
        }
        if (memory) DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    ~Capture() {
        if (m_bitmap) DeleteObject(m_bitmap);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool ok() const { return m_copied && m_bits; }
    UINT width() const { return static_cast<UINT>(m_width); }
    UINT height() const { return static_cast<UINT>(m_height); }
    UINT stride() const { return (width() * 3 + 3) & ~3u; }  // DIB rows are padded to 4 bytes
    BYTE* bits() const { return static_cast<BYTE*>(m_bits); }

private:
    int m_width, m_height;
    HBITMAP m_bitmap = nullptr;
    void* m_bits = nullptr;
    BOOL m_copied = FALSE;
};

bool Fail(std::string* error, const std::string& reason, HRESULT hr = S_OK) {
    if (error) {
        *error = reason;
        if (FAILED(hr)) {
            char code[16];
            wsprintfA(code, " (0x%08lX)", static_cast<unsigned long>(hr));
            *error += code;
        }
    }
    return false;
}

bool EncodePng(const Capture& capture, const std::wstring& path, std::string* error) {
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.putVoid());
    if (FAILED(hr)) return Fail(error, "no imaging component", hr);
    ComPtr<IWICStream> stream;
    if (FAILED(hr = factory->CreateStream(stream.put())) ||
        FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
        return Fail(error, "cannot create " + ole::Narrow(path.c_str()), hr);
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(hr = encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(hr = frame->Initialize(nullptr)) ||
        FAILED(hr = frame->SetSize(capture.width(), capture.height())))
        return Fail(error, "the PNG encoder refused the image", hr);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(hr = frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return Fail(error, "the PNG encoder does not take 24-bit BGR pixels", hr);
    if (FAILED(hr = frame->WritePixels(capture.height(), capture.stride(), capture.stride() * capture.height(),
                                       capture.bits())) ||
        FAILED(hr = frame->Commit()) || FAILED(hr = encoder->Commit()))
        return Fail(error, "cannot write the PNG file", hr);
    return true;
}

bool IsOperatorTitle(const std::wstring& title) {
    // The setup window's caption is one word of its language before the "ZELK-" of the others.
    auto space = title.find(L' ');
    return title.rfind(L"ZELK-", 0) == 0 ||
           (space != std::wstring::npos && space > 0 && title.compare(space + 1, 5, L"ZELK-") == 0);
}

BOOL CALLBACK CollectOperatorWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsOperatorWindow(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

bool SaveScreenPng(const RECT& area, const std::wstring& path, std::string* error) {
    if (area.right <= area.left || area.bottom <= area.top) return Fail(error, "the area is empty");
    ComScope com;
    Capture capture(area);
    if (!capture.ok()) return Fail(error, "cannot copy the screen");
    bool written = EncodePng(capture, path, error);
    // The stream is closed by now; no half-written file stays behind.
    if (!written) DeleteFileW(path.c_str());
    return written;
}

bool IsOperatorWindow(HWND window) {
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    return IsOperatorTitle(title);
}

std::vector<HWND> OperatorWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectOperatorWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

RECT UnionOfWindows(const std::vector<HWND>& windows, int margin) {
    RECT all{};
    for (HWND window : windows) {
        RECT one{};
        if (GetWindowRect(window, &one)) UnionRect(&all, &all, &one);
    }
    if (IsRectEmpty(&all)) return RECT{};
    InflateRect(&all, margin, margin);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT screen{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT clipped{};
    IntersectRect(&clipped, &all, &screen);
    return clipped;
}
