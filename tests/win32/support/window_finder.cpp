#include "support/window_finder.h"

namespace {

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770") return TRUE;
    if (search->title && WindowText(window) != search->title) return TRUE;
    // Any dialog but the plug-in's operator windows, which may be open beside it.
    if (!search->title && WindowText(window).find("ZELK-") != std::string::npos) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK FindStatic(HWND child, LPARAM param) {
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && GetWindowTextLengthA(child) > 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForDialog(const char* title, int timeoutMs) {
    for (int waited = 0;; waited += 20) {
        Search search{title, nullptr};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (waited >= timeoutMs) return nullptr;
        Sleep(20);
    }
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string DialogStaticText(HWND dialog) {
    HWND label = nullptr;
    EnumChildWindows(dialog, FindStatic, reinterpret_cast<LPARAM>(&label));
    return label ? WindowText(label) : std::string();
}

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : std::string();
}
