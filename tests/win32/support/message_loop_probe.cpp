#include "support/message_loop_probe.h"

#include <algorithm>
#include <memory>

#include "tools/fake_host.h"

namespace {

HANDLE g_markerTaken = nullptr;

UINT MarkerMessage() {
    static const UINT marker = RegisterWindowMessageW(L"StatsTests.MessageLoopMarker");
    return marker;
}

LRESULT CALLBACK WatchTakenMessages(int code, WPARAM removal, LPARAM message) {
    if (code == HC_ACTION && removal == PM_REMOVE && reinterpret_cast<const MSG*>(message)->message == MarkerMessage())
        SetEvent(g_markerTaken);
    return CallNextHookEx(nullptr, code, removal, message);
}

struct HookRemover {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};

}  // namespace

bool MessageLoopCaughtUp(HWND window, int timeoutMs) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!thread) return true;  // no window, nothing left to take
    if (!g_markerTaken) g_markerTaken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ResetEvent(g_markerTaken);
    std::unique_ptr<HHOOK__, HookRemover> hook(SetWindowsHookExW(WH_GETMESSAGE, &WatchTakenMessages, nullptr, thread));
    if (!hook || !PostMessageW(window, MarkerMessage(), 0, 0)) return !IsWindow(window);
    // The window thread may be waiting for a gui host on this thread: take its calls meanwhile.
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= static_cast<DWORD>(timeoutMs)) return WaitForSingleObject(g_markerTaken, 0) == WAIT_OBJECT_0;
        const DWORD slice = std::min<DWORD>(20, static_cast<DWORD>(timeoutMs) - spent);
        const DWORD woke = MsgWaitForMultipleObjects(1, &g_markerTaken, FALSE, slice, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return true;
        // A window that went meanwhile takes nothing more: its thread is done with it.
        if (!IsWindow(window)) return true;
        PumpHostMessages();
    }
}
