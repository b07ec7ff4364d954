#include "support/loader_wait.h"

#include <atomic>


namespace {

std::atomic<bool> g_goForTheLoader{false};
std::atomic<bool> g_wentForTheLoader{false};

LRESULT CALLBACK GoForTheLoaderOnNextMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_goForTheLoader.exchange(false)) {
        g_wentForTheLoader = true;
        if (HMODULE loaded = LoadLibraryW(L"kernel32.dll")) FreeLibrary(loaded);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

LoaderWaitHook::LoaderWaitHook(DWORD threadId)
    : m_hook(SetWindowsHookExW(WH_GETMESSAGE, &GoForTheLoaderOnNextMessage, nullptr, threadId)) {}

LoaderWaitHook::~LoaderWaitHook() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
}

bool LoaderWaitHook::sendForTheLoader(HWND window, int timeoutMs) {
    g_wentForTheLoader = false;
    g_goForTheLoader = true;
    PostMessageW(window, WM_NULL, 0, 0);
    // A plain wait: the shared one pumps the fake host's messages, which would link COM into
    // programs that must not load it themselves.
    const DWORD start = GetTickCount();
    while (!g_wentForTheLoader.load()) {
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
        Sleep(1);
    }
    return true;
}
