// Finding the operator windows by their titles and saving a PNG of them, read back with the
// imaging component's decoder.
#include "tools/screenshot.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "support/screen_probe.h"
#include "tools/ole_values.h"

namespace {

// A popup window of this process filled with one colour.
class ColouredWindow {
public:
    ColouredWindow(const wchar_t* title, RECT place, COLORREF colour, bool visible = true) {
        static const ATOM kClass = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = Procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"ScreenshotTestWindow";
            return RegisterClassW(&windowClass);
        }();
        m_window = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(kClass)), title, WS_POPUP | (visible ? WS_VISIBLE : 0),
                                   place.left, place.top, place.right - place.left, place.bottom - place.top,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
        InvalidateRect(m_window, nullptr, TRUE);
        UpdateWindow(m_window);
    }
    ~ColouredWindow() { DestroyWindow(m_window); }
    HWND handle() const { return m_window; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_ERASEBKGND) return DefWindowProcW(window, message, wParam, lParam);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(window, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    HWND m_window;
};

struct Png {
    UINT width = 0, height = 0;
    std::vector<BYTE> bgra;
    COLORREF at(UINT x, UINT y) const {
        const BYTE* pixel = &bgra[(y * width + x) * 4];
        return RGB(pixel[2], pixel[1], pixel[0]);
    }
};

Png ReadPng(const std::wstring& path) {
    Png png;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> pixels;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.putVoid())) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.put())))
        return png;
    GUID container{};
    if (FAILED(decoder->GetContainerFormat(&container)) || !IsEqualGUID(container, GUID_ContainerFormatPng) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), pixels.put())) ||
        FAILED(pixels->GetSize(&png.width, &png.height)))
        return png;
    png.bgra.resize(png.width * png.height * 4);
    if (FAILED(pixels->CopyPixels(nullptr, png.width * 4, static_cast<UINT>(png.bgra.size()), png.bgra.data())))
        png = {};
    return png;
}

class Screenshot : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override {
        DeleteFileW(m_path.c_str());
        CoUninitialize();
    }
    std::wstring m_path = L"screenshot_test.png";
};

TEST_F(Screenshot, FindsTheVisibleOperatorWindowsOfThisProcessByTitle) {
    ColouredWindow setup(L"Setup ZELK-2017", {0, 10, 200, 110}, RGB(200, 40, 30));
    ColouredWindow previous(L"ZELK-2017 Previous QSO with UT7WQ ", {300, 200, 500, 300}, RGB(20, 180, 60));
    ColouredWindow cabrillo(L"ZELK CONTEST", {600, 10, 700, 60}, RGB(0, 0, 255));
    ColouredWindow hidden(L"ZELK-2017 ", {600, 400, 700, 500}, RGB(0, 0, 255), false);
    ColouredWindow other(L"Notes about ZELK-2017", {600, 600, 700, 700}, RGB(0, 0, 255));

    std::vector<HWND> found = OperatorWindows();
    std::sort(found.begin(), found.end());
    std::vector<HWND> expected{setup.handle(), previous.handle()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, found);

    // Widened by 8 on every side, then cut at the screen's left edge.
    RECT area = UnionOfWindows(found, 8);
    EXPECT_EQ(0, area.left);
    EXPECT_EQ(2, area.top);
    EXPECT_EQ(508, area.right);
    EXPECT_EQ(308, area.bottom);
    EXPECT_TRUE(IsRectEmpty(&(area = UnionOfWindows({}, 8))));
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return color;
}

TEST_F(Screenshot, SavesWhatTheScreenShowsAsPng) {
    ColouredWindow left(L"ZELK-2017 ", {100, 100, 180, 150}, RGB(200, 40, 30));
    ColouredWindow right(L"Setup ZELK-2017", {180, 100, 260, 150}, RGB(20, 180, 60));
    GdiFlush();
    // The X server shows the painting a moment later.
    ASSERT_TRUE(WaitUntil(
        [] { return ScreenPixel(105, 105) == RGB(200, 40, 30) && ScreenPixel(255, 145) == RGB(20, 180, 60); },
        5000));

    std::string error;
    ASSERT_TRUE(SaveScreenPng(RECT{90, 95, 270, 155}, m_path, &error)) << error;
    Png png = ReadPng(m_path);
    ASSERT_EQ(180u, png.width);
    ASSERT_EQ(60u, png.height);
    EXPECT_EQ(RGB(200, 40, 30), png.at(10 + 5, 5 + 5));
    EXPECT_EQ(RGB(200, 40, 30), png.at(10 + 79, 5 + 49));
    EXPECT_EQ(RGB(20, 180, 60), png.at(10 + 80, 5 + 49));
    EXPECT_EQ(RGB(20, 180, 60), png.at(10 + 159, 5));
}

TEST_F(Screenshot, ReportsWhyNothingWasSaved) {
    std::string error;
    EXPECT_FALSE(SaveScreenPng(RECT{10, 10, 10, 50}, m_path, &error));
    EXPECT_EQ("the area is empty", error);
    const std::wstring missingFolder = L"no such folder\\shot.png";
    EXPECT_FALSE(SaveScreenPng(RECT{0, 0, 20, 20}, missingFolder, &error));
    EXPECT_EQ(0u, error.find("cannot create no such folder\\shot.png")) << error;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missingFolder.c_str()));
}

}  // namespace
