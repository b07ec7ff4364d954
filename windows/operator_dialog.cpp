#include "windows/operator_dialog.h"

#include <cstdlib>
#include <string>

#include "resources/resource_ids.h"
#include "windows/module.h"
#include "windows/operator_state.h"
#include "windows/plugin_settings.h"

int ReadPositionKey(const char* key) { return std::atoi(ReadPluginSetting(key, "").c_str()); }

void WriteSettingKey(const char* key, std::string_view value) { WritePluginSetting(key, value); }

void OperatorDialog::decorate() {
    m_background.reset(CreateSolidBrush(kWindowBackground));
    HICON icon = LoadIconW(PluginModule(), MAKEINTRESOURCEW(IDI_ZELK));
    SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    EnableMenuItem(GetSystemMenu(window(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

void OperatorDialog::moveTo(POINT saved, POINT fallback) {
    // The title bar is what the operator drags: it must be on a monitor connected now.
    RECT frame{};
    GetWindowRect(window(), &frame);
    const RECT titleBar{saved.x, saved.y, saved.x + (frame.right - frame.left),
                        saved.y + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME)};
    const POINT at = MonitorFromRect(&titleBar, MONITOR_DEFAULTTONULL) ? saved : fallback;
    SetWindowPos(window(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OperatorDialog::makeTopmost() {
    SetWindowPos(window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void OperatorDialog::savePosition() {
    RECT frame{};
    if (!GetWindowRect(window(), &frame)) return;
    if (frame.left != g_lastWindowPos.x) {
        g_lastWindowPos.x = frame.left;
        WriteSettingKey(m_keys.x, std::to_string(frame.left));
    }
    if (frame.top != g_lastWindowPos.y) {
        g_lastWindowPos.y = frame.top;
        WriteSettingKey(m_keys.y, std::to_string(frame.top));
    }
}

INT_PTR OperatorDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORMSGBOX: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, 0x000000);
            SetBkColor(dc, kWindowBackground);
            return reinterpret_cast<INT_PTR>(m_background.get());
        }
        case WM_SETCURSOR:
            savePosition();
            return FALSE;  // the default processing sets the cursor
    }
    return DialogBase::onMessage(message, wParam, lParam);
}
