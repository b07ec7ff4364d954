#pragma once

#include <windows.h>

// Sends a window thread for the loader lock as a library load of its own would (COM makes such
// loads as a conversation begins): at its next message the thread loads a library, which waits
// while another thread holds the loader lock (LoaderLock).
class LoaderWaitHook {
public:
    explicit LoaderWaitHook(DWORD threadId);
    ~LoaderWaitHook();
    LoaderWaitHook(const LoaderWaitHook&) = delete;
    LoaderWaitHook& operator=(const LoaderWaitHook&) = delete;

    bool installed() const { return m_hook != nullptr; }
    // Posts a message to the window and returns once its thread has gone for the lock; false when
    // it did not within the time.
    bool sendForTheLoader(HWND window, int timeoutMs);

private:
    HHOOK m_hook;
};
