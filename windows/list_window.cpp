#include "windows/list_window.h"

#include "windows/operator_state.h"
#include "windows/wide_text.h"

namespace {
constexpr UINT_PTR kRepaintTimer = 1;
constexpr UINT kRepaintRetryMs = 30;
}  // namespace

bool ListWindow::open() {
    if (!createModeless(nullptr)) return false;
    ShowWindow(window(), SW_SHOWNOACTIVATE);
    return true;
}

void ListWindow::invalidateCanvas() {
    if (HWND canvas = GetDlgItem(window(), m_canvasId)) InvalidateRect(canvas, nullptr, FALSE);
}

void ListWindow::setCaption1251(std::string_view caption) { SetWindowText1251(window(), caption); }

BOOL ListWindow::onInitDialog() {
    // A coordinate stored as 0 (or not stored) takes its default on its own.
    POINT position{ReadPositionKey(positionKeys().x), ReadPositionKey(positionKeys().y)};
    if (position.x == 0) position.x = m_defaultPosition.x;
    if (position.y == 0) position.y = m_defaultPosition.y;
    g_lastWindowPos = position;
    moveTo(position, m_defaultPosition);
    if (g_windowOnTop != 0) makeTopmost();
    decorate();
    return TRUE;
}

INT_PTR ListWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (static_cast<int>(wParam) != m_canvasId || !item) break;
            // Never wait for the contest data: paint what was last seen and look again shortly.
            if (!paintCanvas(*item)) SetTimer(window(), kRepaintTimer, kRepaintRetryMs, nullptr);
            return TRUE;
        }
        case WM_TIMER:
            if (wParam != kRepaintTimer) break;
            KillTimer(window(), kRepaintTimer);
            invalidateCanvas();
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window());
            return TRUE;
    }
    return OperatorDialog::onMessage(message, wParam, lParam);
}
