// The drawn-control toolkit on real windows: edge lines, the pressed look, face and caption
// colours, both shapes, and a memory DC that copies back only its clip box. Pixels are read
// back from the screen with GetPixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "windows/advanced_button.h"
#include "windows/gdi.h"
#include "windows/mem_dc.h"

namespace {

constexpr COLORREF kParent = RGB(30, 90, 160);
constexpr COLORREF kFace = RGB(240, 240, 250);
constexpr COLORREF kLabel = RGB(1, 2, 3);
constexpr COLORREF kDisabledLabel = RGB(200, 0, 40);
constexpr int kWidth = 90, kHeight = 30, kFirstId = 100, kButtons = 4;
const char* const kCaptions[kButtons] = {"CW", "", "WWW", ""};

COLORREF Grey(int level) { return RGB(level, level, level); }

HBRUSH ParentBrush() {
    static HBRUSH brush = CreateSolidBrush(kParent);
    return brush;
}

COLORREF Pixel(HWND window, int x, int y) {
    gdi::ClientDC dc(window);
    return GetPixel(dc.get(), x, y);
}

// Pixels of `color` inside the edge of a button.
int CountInside(HWND button, COLORREF color) {
    gdi::ClientDC dc(button);
    int count = 0;
    for (int y = 3; y < kHeight - 3; ++y)
        for (int x = 3; x < kWidth - 3; ++x) count += GetPixel(dc.get(), x, y) == color;
    return count;
}

// A visible popup at a known place with a row of push buttons; its procedure hands WM_DRAWITEM
// to the attached buttons as an owner dialog does.
class DrawnControls : public ::testing::Test {
protected:
    void SetUp() override {
        s_current = this;
        HINSTANCE module = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Procedure;
        windowClass.hInstance = module;
        windowClass.hbrBackground = ParentBrush();
        windowClass.lpszClassName = "DrawnControlsTest";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, "DrawnControlsTest", "drawn", WS_POPUP | WS_VISIBLE, 200, 150, 400, 200,
                                   nullptr, nullptr, module, nullptr);
        ASSERT_NE(m_window, nullptr);
        for (int i = 0; i < kButtons; ++i)
            CreateWindowExA(0, "BUTTON", kCaptions[i], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10 + 95 * i, 10,
                            kWidth, kHeight, m_window, reinterpret_cast<HMENU>(kFirstId + i), module,
                            nullptr);
        UpdateWindow(m_window);
    }
    void TearDown() override {
        DestroyWindow(m_window);
        s_current = nullptr;
    }

    HWND item(int i) const { return GetDlgItem(m_window, kFirstId + i); }
    CAdvancedButton& attach(int i) {
        EXPECT_TRUE(m_buttons[i].AttachToItem(kFirstId + i, m_window, kFace, kLabel, kDisabledLabel));
        m_buttons[i].Redraw();
        return m_buttons[i];
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_CTLCOLORBTN) return reinterpret_cast<LRESULT>(ParentBrush());
        if (message == WM_DRAWITEM && s_current) {
            const auto& drawn = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            for (auto& button : s_current->m_buttons)
                if (button.window() && button.window() == drawn.hwndItem) {
                    button.DrawItem(drawn);
                    return TRUE;
                }
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static inline DrawnControls* s_current = nullptr;
    HWND m_window = nullptr;
    CAdvancedButton m_buttons[kButtons];
};

TEST_F(DrawnControls, AttachMakesTheButtonOwnerDrawnWithRaisedEdgeAndItsColours) {
    CAdvancedButton missing;
    EXPECT_FALSE(missing.AttachToItem(999, m_window, kFace, kLabel, kDisabledLabel));
    EXPECT_EQ(missing.window(), nullptr);

    const LONG_PTR styleBefore = GetWindowLongPtrA(item(0), GWL_STYLE);
    CAdvancedButton& button = attach(0);
    EXPECT_EQ(GetWindowLongPtrA(item(0), GWL_STYLE), styleBefore | BS_OWNERDRAW);

    struct Probe {
        int x, y;
        COLORREF color;
        const char* where;
    };
    const Probe edge[] = {
        {0, 0, Grey(255), "line 1 top-left corner"},
        {kWidth - 2, 0, Grey(255), "line 1 top"},
        {0, kHeight - 2, Grey(255), "line 1 left"},
        {kWidth - 1, 0, Grey(127), "line 1 top-right"},
        {0, kHeight - 1, Grey(127), "line 1 bottom-left"},
        {kWidth - 1, 15, Grey(127), "line 1 right"},
        {45, kHeight - 1, Grey(127), "line 1 bottom"},
        {2, 1, Grey(223), "line 2 top"},
        {1, 15, Grey(223), "line 2 left"},
        {kWidth - 2, 15, Grey(85), "line 2 right"},
        {45, kHeight - 2, Grey(85), "line 2 bottom"},
        {2, 2, kFace, "face"},
    };
    for (const Probe& probe : edge) EXPECT_EQ(Pixel(item(0), probe.x, probe.y), probe.color) << probe.where;
    EXPECT_GT(CountInside(item(0), kLabel), 0) << "caption in the label colour";

    EXPECT_TRUE(button.SetFaceColor(RGB(0, 255, 0)));
    EXPECT_EQ(Pixel(item(0), 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(item(0), 2, 1), Grey(223)) << "the edge stays";
    EXPECT_TRUE(button.SetLabelColor(RGB(0, 0, 255)));
    EXPECT_GT(CountInside(item(0), RGB(0, 0, 255)), 0);
    EXPECT_EQ(CountInside(item(0), kLabel), 0);
}

TEST_F(DrawnControls, PressedLookOnlyWithFocusAndFocusFrameTwoPixelsIn) {
    CAdvancedButton& button = attach(1);
    struct Case {
        UINT state;
        int outerTopLeft, outerBottomRight;
        bool focusFrame;
    } const cases[] = {
        {0, 255, 127, false},
        {ODS_SELECTED, 255, 127, false},
        {ODS_FOCUS, 255, 127, true},
        {ODS_SELECTED | ODS_FOCUS, 128, 255, true},
    };
    for (const Case& c : cases) {
        gdi::ClientDC dc(item(1));
        DRAWITEMSTRUCT drawn{ODT_BUTTON, UINT(kFirstId + 1),      0, ODA_DRAWENTIRE, c.state, item(1),
                             dc.get(),   {0, 0, kWidth, kHeight}, 0};
        button.DrawItem(drawn);
        SCOPED_TRACE(c.state);
        EXPECT_EQ(Pixel(item(1), 1, 0), Grey(c.outerTopLeft));
        EXPECT_EQ(Pixel(item(1), 0, 15), Grey(c.outerTopLeft));
        EXPECT_EQ(Pixel(item(1), kWidth - 1, 15), Grey(c.outerBottomRight));
        EXPECT_EQ(Pixel(item(1), 45, kHeight - 1), Grey(c.outerBottomRight));
        EXPECT_EQ(Pixel(item(1), 2, 1), Grey(223)) << "inner line stays raised";
        EXPECT_EQ(Pixel(item(1), kWidth - 2, 15), Grey(85)) << "inner line stays raised";
        int marked = 0;
        for (int x = 2; x < kWidth - 2; ++x) marked += Pixel(item(1), x, 2) != kFace;
        EXPECT_EQ(marked > 0, c.focusFrame);
        EXPECT_EQ(Pixel(item(1), 3, 3), kFace) << "only a frame";
    }
}

TEST_F(DrawnControls, DisabledButtonKeepsFaceAndEdgeAndUsesTheDisabledCaptionColour) {
    attach(2);
    EnableWindow(item(2), FALSE);
    m_buttons[2].Redraw();
    EXPECT_GT(CountInside(item(2), kDisabledLabel), 0);
    EXPECT_EQ(CountInside(item(2), kLabel), 0);
    EXPECT_EQ(Pixel(item(2), 3, 3), kFace);
    EXPECT_EQ(Pixel(item(2), 1, 0), Grey(255));

    EnableWindow(item(2), TRUE);
    m_buttons[2].Redraw();
    EXPECT_EQ(CountInside(item(2), kDisabledLabel), 0);
    EXPECT_GT(CountInside(item(2), kLabel), 0);
}

TEST_F(DrawnControls, OnlyShapeOneIsAnEllipse) {
    CAdvancedButton& button = attach(3);
    const struct {
        int shape;
        COLORREF corner;
    } cases[] = {{1, kParent}, {2, Grey(255)}, {0, Grey(255)}, {-1, Grey(255)}};
    for (const auto& c : cases) {
        button.m_shape = c.shape;
        button.Redraw();
        EXPECT_EQ(Pixel(item(3), 0, 0), c.corner) << "shape " << c.shape;
        EXPECT_EQ(Pixel(item(3), kWidth / 2, kHeight / 2), kFace) << "shape " << c.shape;
    }
}

TEST_F(DrawnControls, MemoryDCDrawsOffScreenAndCopiesBackOnlyItsClipBox) {
    const COLORREF before = RGB(10, 200, 10), buffer = RGB(200, 20, 20), spot = RGB(20, 20, 200);
    {
        gdi::ClientDC dc(m_window);
        gdi::DCHandle(dc.get()).FillSolidRect({0, 50, 400, 200}, before);
    }
    {
        gdi::ClientDC target(m_window);
        IntersectClipRect(target.get(), 100, 80, 200, 140);
        CMemDC memory(target.get());
        EXPECT_TRUE(memory.buffered());
        const RECT clip{100, 80, 200, 140};
        EXPECT_TRUE(EqualRect(&memory.area(), &clip));
        memory.FillSolidRect({0, 0, 400, 200}, buffer);
        memory.FillSolidRect({150, 100, 160, 110}, spot);
        memory.SetBkMode(TRANSPARENT);
        memory.TextOut(170, 110, "X");
        EXPECT_EQ(Pixel(m_window, 120, 90), before) << "nothing on screen before the copy";
    }
    EXPECT_EQ(Pixel(m_window, 120, 90), buffer);
    EXPECT_EQ(Pixel(m_window, 155, 105), spot) << "drawn in the target's coordinates";
    EXPECT_EQ(Pixel(m_window, 149, 105), buffer);
    int text = 0;
    for (int y = 110; y < 140; ++y)
        for (int x = 170; x < 200; ++x) text += Pixel(m_window, x, y) == RGB(0, 0, 0);
    EXPECT_GT(text, 0) << "text in default black";
    for (auto [x, y] : {std::pair{99, 90}, {200, 90}, {150, 79}, {150, 140}, {300, 180}})
        EXPECT_EQ(Pixel(m_window, x, y), before) << x << "," << y;
}

}  // namespace
