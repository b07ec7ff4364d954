#pragma once

#include <optional>

#include "windows/host_call_filter.h"

// One exchange with the host (a refresh, a mode change): COM, the call filter and the host's
// object (g_host) are held while it lasts and let go at its end. So a window thread that is idle
// holds nothing that only the host's thread can let go of: the host's object lives in the host's
// apartment, and on a host whose UI thread is that apartment every call to it, its release and the
// CoUninitialize that drops the proxies wait until that thread takes its messages. An unload,
// which the host's thread runs, can then wait for an idle window thread but never for one in a
// conversation.
//
// Conversations nest on the thread (a handler that runs while a call waits may begin one): only
// the outermost one sets COM up and tears it down. None begins once the windows are closing.
class HostConversation {
public:
    HostConversation();
    ~HostConversation();
    HostConversation(const HostConversation&) = delete;
    HostConversation& operator=(const HostConversation&) = delete;

    // Whether the conversation began: false once the windows are closing.
    bool begun() const { return m_begun; }

private:
    bool m_begun = false;
    bool m_outermost = false;
    bool m_comInitialised = false;
    std::optional<HostCallFilterRegistration> m_filter;
};
