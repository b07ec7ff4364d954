#pragma once

#include <windows.h>

// Whether the thread of the window has taken, in its own message loop, every message posted to it
// before this call, within the time. A host call's wait takes only paint and sent messages, so
// this also tells that the thread came back from what those messages started.
bool MessageLoopCaughtUp(HWND window, int timeoutMs);

// The thread that runs a window, watched from before the window goes until the thread has ended.
class WindowThreadWatch {
public:
    explicit WindowThreadWatch(HWND window)
        : m_thread(OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(window, nullptr))) {}
    ~WindowThreadWatch() {
        if (m_thread) CloseHandle(m_thread);
    }
    WindowThreadWatch(const WindowThreadWatch&) = delete;
    WindowThreadWatch& operator=(const WindowThreadWatch&) = delete;

    // Whether the thread ended within the time.
    bool ended(int timeoutMs) const {
        return m_thread && WaitForSingleObject(m_thread, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
    }

private:
    HANDLE m_thread;
};
