#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// A dialog bound to a template of the plug-in's own module. The static dialog procedure keeps
// `this` in DWLP_USER from WM_INITDIALOG on and forwards every message to onMessage; nothing
// thrown by a handler leaves the procedure.
class DialogBase {
public:
    explicit DialogBase(int templateId) : m_templateId(templateId) {}
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Runs the dialog modally on the calling thread; the value given to endDialog, or -1 when the
    // dialog could not be created.
    INT_PTR runModal(HWND owner);
    // Creates the dialog as a modeless Unicode window on the calling thread (not shown unless the
    // template says so); false when it could not be created.
    bool createModeless(HWND owner);

    HWND window() const { return m_window; }

protected:
    // Default handling: WM_INITDIALOG runs the template's initialisation data, then onInitDialog;
    // IDOK and IDCANCEL run onOk and onCancel. Returns what the dialog procedure returns.
    virtual INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL onInitDialog() { return TRUE; }
    virtual void onOk() { endDialog(IDOK); }
    virtual void onCancel() { endDialog(IDCANCEL); }
    // The window is gone (after WM_NCDESTROY); the object may be deleted from here on.
    virtual void onDestroyed() {}

    void endDialog(INT_PTR result);
    // A handled message's result for the dialog manager.
    INT_PTR setMessageResult(LONG_PTR result);

    std::string itemText(int id) const;
    void setItemText(int id, std::string_view text);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_window = nullptr;
};

// Sends the template's initialisation data (resource type RT_DLGINIT: control id, message, length,
// data) to its controls, e.g. the initial list of a combo box.
void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId);
