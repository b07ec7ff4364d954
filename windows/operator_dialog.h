#pragma once

#include <windows.h>

#include <string_view>

#include "windows/dialog_base.h"
#include "windows/gdi.h"

// What the three operator windows share: the pale yellow background of the dialog and its
// controls, the icon, a Close command the operator cannot use, and the position saved whenever
// the mouse passes over the window.
class OperatorDialog : public DialogBase {
public:
    struct PositionKeys {
        const char* x;
        const char* y;
    };

    OperatorDialog(int templateId, PositionKeys keys) : DialogBase(templateId), m_keys(keys) {}

protected:
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The common part of the initialisation: background brush, big icon, Close disabled.
    void decorate();
    // Moves the window to a saved position when its title bar lies on a connected monitor, else to
    // the fallback position.
    void moveTo(POINT saved, POINT fallback);
    void makeTopmost();
    const PositionKeys& positionKeys() const { return m_keys; }

private:
    void savePosition();

    PositionKeys m_keys;
    gdi::Brush m_background;
};

inline constexpr COLORREF kWindowBackground = 0xC6FAFF;  // RGB(255, 250, 198)

// Reads a position key as a decimal number; missing or non-numeric text reads as 0.
int ReadPositionKey(const char* key);
void WriteSettingKey(const char* key, std::string_view value);
