#include "windows/dialog_base.h"

#include <cstring>

#include "windows/module.h"
#include "windows/off_screen.h"

namespace {

constexpr WORD kRtDlgInit = 240;
// Messages as the initialisation data numbers them (16-bit Windows).
constexpr WORD kInitListBoxAddString = 0x0401;
constexpr WORD kInitComboBoxAddString = 0x0403;

template <typename T>
bool ReadField(const BYTE*& at, const BYTE* end, T& value) {
    if (end - at < static_cast<std::ptrdiff_t>(sizeof(T))) return false;
    std::memcpy(&value, at, sizeof(T));
    at += sizeof(T);
    return true;
}

UINT Win32Message(WORD initMessage) {
    switch (initMessage) {
        case kInitListBoxAddString: return LB_ADDSTRING;
        case kInitComboBoxAddString: return CB_ADDSTRING;
        default: return initMessage;
    }
}

}  // namespace

void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId) {
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(kRtDlgInit));
    if (!resource) return;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* at = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!at) return;
    const BYTE* end = at + SizeofResource(module, resource);

    WORD control = 0, message = 0;
    DWORD length = 0;
    while (ReadField(at, end, control) && control != 0 && ReadField(at, end, message) &&
           ReadField(at, end, length) && static_cast<DWORD>(end - at) >= length) {
        SendDlgItemMessageA(dialog, control, Win32Message(message), 0, reinterpret_cast<LPARAM>(at));
        at += length;
    }
}

INT_PTR DialogBase::runModal(HWND owner) {
    return DialogBoxParamA(PluginModule(), MAKEINTRESOURCEA(m_templateId), owner, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool DialogBase::createModeless(HWND owner) {
    return CreateDialogParamW(PluginModule(), MAKEINTRESOURCEW(m_templateId), owner, &DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR DialogBase::onMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            ApplyDialogInitData(m_window, PluginModule(), m_templateId);
            return onInitDialog();
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                onOk();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                onCancel();
                return TRUE;
            }
            break;
    }
    return FALSE;
}

void DialogBase::endDialog(INT_PTR result) { EndDialog(m_window, result); }

INT_PTR DialogBase::setMessageResult(LONG_PTR result) {
    SetWindowLongPtrA(m_window, DWLP_MSGRESULT, result);
    return TRUE;
}

std::string DialogBase::itemText(int id) const {
    HWND item = GetDlgItem(m_window, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void DialogBase::setItemText(int id, std::string_view text) {
    SetDlgItemTextA(m_window, id, std::string(text).c_str());
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        // Asked by an unload: also before WM_INITDIALOG, and for every window of the thread.
        if (message == OffScreenMessage()) {
            TakeThreadWindowsOffScreen();
            return TRUE;
        }
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            reinterpret_cast<DialogBase*>(lParam)->m_window = window;
        }
        auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
        // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
        if (!self) return FALSE;
        const INT_PTR result = self->onMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, DWLP_USER, 0);
            self->m_window = nullptr;
            self->onDestroyed();
        }
        return result;
    } catch (...) {
        return FALSE;
    }
}
