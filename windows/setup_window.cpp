#include "windows/setup_window.h"

#include <atomic>
#include <chrono>
#include <string>

#include "engine/live_display.h"
#include "resources/resource_ids.h"
#include "windows/host_conversation.h"
#include "windows/off_screen.h"
#include "windows/operator_state.h"
#include "windows/plugin_settings.h"
#include "windows/prev_window.h"
#include "windows/wide_text.h"
#include "windows/window_thread_state.h"
#include "windows/zelk_window.h"

// One mode button: the macros it sends, the host mode it waits for (if any) and its "Mode" value.
struct ModeRow {
    int button;
    const char* macros[2];
    const char* wait;
    const char* stored;
};

namespace {

constexpr ModeRow kModeRows[] = {
    {IDC_MODE_CW, {"<MODE:CW>", "<BAUDRATE:27>"}, nullptr, "CW"},
    {IDC_MODE_SSB, {"<MODE:SSB>", nullptr}, nullptr, "SSB"},
    {IDC_MODE_BPSK31, {"<MODE:BPSK31>", nullptr}, nullptr, "BPSK31"},
    {IDC_MODE_BPSK63, {"<MODE:BPSK31>", "<BAUDRATE:63>"}, "BPSK63", "BPSK63"},
    {IDC_MODE_BPSK125, {"<MODE:BPSK31>", "<BAUDRATE:125>"}, "BPSK125", "BPSK125"},
    {IDC_MODE_QPSK31, {"<MODE:QPSK31>", nullptr}, nullptr, "QPSK31"},
    {IDC_MODE_QPSK63, {"<MODE:QPSK31>", "<BAUDRATE:63>"}, "QPSK63", "QPSK63"},
    {IDC_MODE_QPSK125, {"<MODE:QPSK31>", "<BAUDRATE:125>"}, "QPSK125", "QPSK125"},
    {IDC_MODE_MFSK16, {"<MODE:MFSK>", nullptr}, nullptr, "MFSK16"},
    {IDC_MODE_RTTY, {"<MODE:RTTY>", "<BAUDRATE:45.45>"}, nullptr, "RTTY"},
};

// The buttons in the order the window keeps them.
constexpr int kButtonIds[] = {IDC_MODE_CW,      IDC_MODE_SSB,     IDC_MODE_MFSK16, IDC_MODE_BPSK31,
                              IDC_MODE_BPSK63,  IDC_MODE_BPSK125, IDC_MODE_QPSK31, IDC_MODE_QPSK63,
                              IDC_MODE_QPSK125, IDC_MODE_RTTY};

constexpr COLORREF kNormalFace = 0xF0F0F0;
constexpr COLORREF kSelectedFace = 0x00FF00;
constexpr COLORREF kLabel = 0x010101;
constexpr COLORREF kDisabledLabel = 0x808080;

constexpr auto kModeWaitLimit = std::chrono::seconds(5);
constexpr DWORD kModeWaitStepMs = 20;

const ModeRow* RowOfButton(int id) {
    for (const auto& row : kModeRows)
        if (row.button == id) return &row;
    return nullptr;
}

const ModeRow* RowOfStoredMode(const std::string& value) {
    if (value.empty()) return &kModeRows[0];
    for (const auto& row : kModeRows)
        if (value == row.stored) return &row;
    return nullptr;
}

}  // namespace

Setup::Setup() : OperatorDialog(IDD_SETUP, {"setup_x", "setup_y"}) {}

Setup::~Setup() = default;

bool Setup::open(const CaptionTexts& texts) {
    m_texts = texts;
    return createModeless(nullptr);
}

void Setup::show() { ShowWindow(window(), SW_SHOWNOACTIVATE); }

// Every window of the thread: the list windows, this one, and a dialog or message box it opened.
void Setup::hideAll() { TakeThreadWindowsOffScreen(); }

bool Setup::stopping() const { return m_closeRequested || g_stopRequested.load(); }

void Setup::requestClose() {
    m_closeRequested = true;
    // A close sent from another thread is handled inside GetMessage: wake the loop.
    PostMessageW(window(), WM_NULL, 0, 0);
}

void Setup::postRefresh() { PostMessageW(window(), ZELK_UPDATE, 0, 0); }

void Setup::exchangeChecks() {
    CheckDlgButton(window(), IDC_WINDOW_ON_TOP, m_onTop ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window(), IDC_VIEW_PREV, m_viewPrev ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window(), IDC_VIEW_ZELK, m_viewZelk ? BST_CHECKED : BST_UNCHECKED);
}

BOOL Setup::onInitDialog() {
    POINT position{ReadPositionKey("setup_x"), ReadPositionKey("setup_y")};
    if (position.x == 0 && position.y == 0) position = POINT{10, 400};
    g_lastWindowPos = position;

    m_onTop = ReadPositionKey("setup_window_on_top");
    g_windowOnTop = m_onTop;
    m_viewZelk = ReadPositionKey("setup_view_zelk");
    m_viewPrev = ReadPositionKey("setup_view_prev_qso");

    for (std::size_t i = 0; i < m_modeButtons.size(); ++i) {
        CAdvancedButton& button = m_modeButtons[i];
        if (!button.AttachToItem(static_cast<UINT>(kButtonIds[i]), window(), kNormalFace, kLabel,
                                 kDisabledLabel))
            continue;
        button.m_shape = 0;
        button.Redraw();
    }

    SetWindowText1251(window(), SetupCaption(m_texts.contestYear, m_texts.russian));
    if (m_texts.russian)
        for (const auto& control : RussianSetupControlTexts())
            SetItemText1251(window(), control.id, control.cp1251);

    exchangeChecks();
    moveTo(position, POINT{10, 400});
    makeTopmost();
    decorate();

    // The host is asked only once the window exists and the thread takes its messages: the stored
    // mode first, then the first refresh.
    PostMessageW(window(), kRestoreMode, 0, 0);
    g_prevBandNames.assign({"160m", "80m", "40m"});
    postRefresh();
    return TRUE;
}

bool Setup::sendMacros(const ModeRow& row) {
    for (const char* macro : row.macros) {
        if (!macro) continue;
        HostCallScope scope(m_inHostCall);
        if (!g_host.SendMacro(macro) || stopping()) return false;
    }
    return true;
}

void Setup::markSelected(const ModeRow& row) {
    for (std::size_t i = 0; i < m_modeButtons.size(); ++i) {
        CAdvancedButton& button = m_modeButtons[i];
        if (!button.window()) continue;
        if (kButtonIds[i] == row.button) {
            button.SetFaceColor(kSelectedFace);
        } else {
            button.SetFaceColor(kNormalFace);
            button.SetLabelColor(kLabel);
        }
    }
}

bool Setup::waitForMode(const ModeRow& row) {
    // Without a host object nothing will ever report the mode.
    if (!g_host.connected()) return false;
    const auto giveUp = std::chrono::steady_clock::now() + kModeWaitLimit;
    for (;;) {
        std::optional<std::string> mode;
        {
            HostCallScope scope(m_inHostCall);
            mode = g_host.GetMode();
        }
        if (!mode || stopping()) return false;
        if (*mode == row.wait) return true;
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        Sleep(kModeWaitStepMs);
        if (stopping()) return false;
    }
}

void Setup::RestoreMode() {
    const ModeRow* row = RowOfStoredMode(ReadPluginSetting("Mode", ""));
    if (!row) return;
    HostConversation conversation;
    if (!conversation.begun() || !sendMacros(*row)) return;
    markSelected(*row);
    if (row->wait) waitForMode(*row);
}

void Setup::SelectMode(const ModeRow& row) {
    {
        HostConversation conversation;
        if (!conversation.begun() || !sendMacros(row)) return;
        markSelected(row);
        if (row.wait && !waitForMode(row)) return;
    }
    WriteSettingKey("Mode", row.stored);
    postRefresh();
}

void Setup::openPrevWindow(bool fromRefresh) {
    auto prev = std::make_unique<Prev>();
    if (!prev->open()) return;
    m_prev = std::move(prev);
    g_prevWindow = m_prev.get();
    m_prev->setCaption1251(PrevCaptionOpened(m_texts.contestYear, m_texts.russian));
    if (!fromRefresh) {
        m_viewPrev = 1;
        WriteSettingKey("setup_view_prev_qso", "1");
    }
    postRefresh();
}

void Setup::openZelkWindow(bool fromRefresh) {
    auto zelk = std::make_unique<ZELK>();
    if (!zelk->open()) return;
    m_zelk = std::move(zelk);
    g_zelkWindow = m_zelk.get();
    m_zelk->setCaption1251(GridCaptionOpened(m_texts.contestYear));
    if (!fromRefresh) {
        m_viewZelk = 1;
        WriteSettingKey("setup_view_zelk", "1");
    }
    postRefresh();
}

void Setup::closePrevWindow() {
    if (g_prevWindow) SendMessageW(g_prevWindow->window(), WM_CLOSE, 0, 0);
    g_prevWindow = nullptr;
    m_prev.reset();
}

void Setup::closeZelkWindow() {
    if (g_zelkWindow) SendMessageW(g_zelkWindow->window(), WM_CLOSE, 0, 0);
    g_zelkWindow = nullptr;
    m_zelk.reset();
}

// The toggles follow whether the window exists, not the check state.
void Setup::togglePrevWindow() {
    if (g_prevWindow) {
        closePrevWindow();
        m_viewPrev = 0;
        WriteSettingKey("setup_view_prev_qso", "0");
    } else {
        openPrevWindow(false);
    }
}

void Setup::toggleZelkWindow() {
    if (g_zelkWindow) {
        closeZelkWindow();
        m_viewZelk = 0;
        WriteSettingKey("setup_view_zelk", "0");
    } else {
        openZelkWindow(false);
    }
}

// The list windows take the new stacking when the refresh reopens them.
void Setup::toggleOnTop() {
    m_onTop = m_onTop ? 0 : 1;
    g_windowOnTop = m_onTop;
    WriteSettingKey("setup_window_on_top", m_onTop ? "1" : "0");
    closePrevWindow();
    closeZelkWindow();
    exchangeChecks();
    postRefresh();
}

void Setup::destroyAll() {
    // All off the screen first, without waiting for a window manager (off_screen.h): the unload
    // that waits for the windows to go from the screen is not held up by their destruction, which
    // then has no shown window to hide.
    hideAll();
    closePrevWindow();
    closeZelkWindow();
    if (window()) DestroyWindow(window());
}

INT_PTR Setup::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case ZELK_UPDATE:
            OnZelkUpdate(wParam, lParam);
            return TRUE;
        case kRestoreMode:
            if (!stopping()) RestoreMode();
            return TRUE;
        case WM_TIMER:
            if (wParam == kRefreshRetryTimer) {
                KillTimer(window(), kRefreshRetryTimer);
                OnZelkUpdate(0, 0);
            } else if (wParam == kRefreshEndTimer) {
                KillTimer(window(), kRefreshEndTimer);
                if (!stopping()) endRefresh();
            } else {
                break;
            }
            return TRUE;
        case WM_CLOSE:
            requestClose();
            return TRUE;
        case WM_COMMAND: {
            if (HIWORD(wParam) != BN_CLICKED) break;
            const int id = LOWORD(wParam);
            if (id == IDC_WINDOW_ON_TOP)
                toggleOnTop();
            else if (id == IDC_VIEW_PREV)
                togglePrevWindow();
            else if (id == IDC_VIEW_ZELK)
                toggleZelkWindow();
            else if (const ModeRow* row = RowOfButton(id)) {
                // A click while the host is being asked is dropped: one host conversation at a time.
                if (!m_inHostCall) SelectMode(*row);
            } else {
                break;
            }
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            for (std::size_t i = 0; item && i < m_modeButtons.size(); ++i)
                if (static_cast<UINT>(kButtonIds[i]) == item->CtlID && m_modeButtons[i].window()) {
                    m_modeButtons[i].DrawItem(*item);
                    return TRUE;
                }
            break;
        }
    }
    return OperatorDialog::onMessage(message, wParam, lParam);
}
