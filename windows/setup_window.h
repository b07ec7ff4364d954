#pragma once

#include <array>
#include <memory>

#include "windows/advanced_button.h"
#include "windows/contest_snapshot.h"
#include "windows/operator_dialog.h"

class Prev;
class ZELK;
struct ModeRow;

// The operator's control panel (template 104), always on top: ten mode buttons that switch the
// host's mode, three check boxes for the list windows and their stacking, and the target of
// every refresh request. It owns the two list windows.
class Setup final : public OperatorDialog {
public:
    Setup();
    ~Setup() override;

    // Creates the window, still hidden; false when it could not be created.
    bool open(const CaptionTexts& texts);
    void show();
    // Takes the setup window and the list windows off the screen.
    void hideAll();
    // True once the window asked to end (closed by the library or a standard dialog key).
    bool closeRequested() const { return m_closeRequested; }
    // Destroys the list windows and then this window.
    void destroyAll();

    // The handler of ZELK_UPDATE: follow the host's entry field, frequency and mode.
    LRESULT OnZelkUpdate(WPARAM wParam, LPARAM lParam);

protected:
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL onInitDialog() override;
    void onOk() override { requestClose(); }
    void onCancel() override { requestClose(); }

private:
    // Marks that a handler is waiting for the host; messages that arrive meanwhile (COM keeps
    // dispatching them) see it and hold back.
    class HostCallScope {
    public:
        explicit HostCallScope(bool& flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
        ~HostCallScope() { m_flag = m_previous; }
        HostCallScope(const HostCallScope&) = delete;
        HostCallScope& operator=(const HostCallScope&) = delete;

    private:
        bool& m_flag;
        bool m_previous;
    };
    enum class RefreshEnd { done, retryLater };
    static constexpr UINT_PTR kRefreshRetryTimer = 1;
    static constexpr UINT_PTR kRefreshEndTimer = 2;
    static constexpr UINT kRestoreMode = WM_APP + 1;

    void requestClose();
    void exchangeChecks();
    void postRefresh();

    void RestoreMode();
    void SelectMode(const ModeRow& row);
    bool sendMacros(const ModeRow& row);
    void markSelected(const ModeRow& row);
    // Polls the host's mode until it reads the row's name; false when the host fails, the
    // windows are closing, or the wait runs out.
    bool waitForMode(const ModeRow& row);

    void togglePrevWindow();
    void toggleZelkWindow();
    void toggleOnTop();
    void openPrevWindow(bool fromRefresh);
    void openZelkWindow(bool fromRefresh);
    void closePrevWindow();
    void closeZelkWindow();

    // Whether a host call that just returned should end the handler that made it.
    bool stopping() const;
    RefreshEnd runRefresh();
    // Lets the call check ask again; tried again later while the state lock is busy.
    void endRefresh();
    void waitForPace();

    CaptionTexts m_texts;  // contest year and language as the window knows them
    int m_onTop = 0;
    int m_viewPrev = 0;
    int m_viewZelk = 0;
    std::array<CAdvancedButton, 10> m_modeButtons;

    std::unique_ptr<Prev> m_prev;
    std::unique_ptr<ZELK> m_zelk;
    bool m_closeRequested = false;
    bool m_inHostCall = false;  // a handler waits for the host; messages may arrive meanwhile
    bool m_refreshing = false;
    bool m_refreshAgain = false;  // a refresh request came while one was running
    DWORD m_lastRefreshEnd = 0;   // tick count at the end of the refresh a paced one follows
};
