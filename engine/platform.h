#pragma once

#include <string>
#include <string_view>
#include <vector>

// The ten values of the Cabrillo header dialog, as its controls show them.
struct HeaderDialogValues {
    std::string callsign, claimed, club, category, contest, email, name, operators, soapbox, address;
};

enum class MessageKind { plain, information };

// Upper-cases a text in the platform's narrow code page. The DLL's one is multibyte-aware; the
// portable default changes only ASCII letters.
using UpperCaseText = std::string (*)(std::string_view text);

inline std::string AsciiUpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// What the plug-in needs from the system around it. The DLL implements this with Win32 calls,
// tests with fakes.
class Platform {
public:
    virtual ~Platform() = default;

    // Keys of the plug-in's ini file (section "Settings" of "Plugins\ZELK.ini"). Values are read
    // whole, whatever their length.
    virtual std::string readSetting(std::string_view key, std::string_view fallback) = 0;
    virtual void writeSetting(std::string_view key, std::string_view value) = 0;

    // A modal message box with an OK button; an empty caption means the system's default one.
    virtual void showMessage(std::string_view text, std::string_view caption, MessageKind kind) = 0;

    // Names (without folder) of the files that match a wildcard pattern such as "C:\Host\*.ini".
    virtual std::vector<std::string> listFiles(std::string_view pattern) = 0;

    // The window thread: whether its setup window is open, starting it, and the refresh request
    // posted to the setup window.
    virtual bool setupWindowOpen() = 0;
    virtual void startSetupThread() = 0;
    virtual void postRefresh() = 0;
    // A refresh was asked for while one was still in flight: the window runs one more when it is
    // done, so that the last keystroke is never left unshown.
    virtual void refreshRequestedWhileBusy() {}

    // Runs the modal Cabrillo header dialog; true after OK, with the values as the operator left them.
    virtual bool runHeaderDialog(HeaderDialogValues& values) = 0;
};
