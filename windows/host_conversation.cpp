#include "windows/host_conversation.h"

#include <objbase.h>

#include "windows/operator_state.h"
#include "windows/window_thread_state.h"

namespace {
int g_depth = 0;  // conversations open on the window thread, the only thread that has them
}

HostConversation::HostConversation() {
    if (g_stopRequested.load()) return;
    if (g_depth > 0) {
        ++g_depth;
        m_begun = true;
        return;
    }
    // With no host registered there is nothing to talk to: the conversation goes on without COM
    // (its calls do nothing), and an unload need not treat it as one. The program id is read from
    // the registry, without COM.
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(kHostProgId, &classId))) {
        ++g_depth;
        m_begun = true;
        return;
    }
    ThreadLife expected = ThreadLife::idle;
    if (!g_threadLife.compare_exchange_strong(expected, ThreadLife::conversing)) return;
    ++g_depth;
    m_begun = m_outermost = true;
    m_comInitialised = SUCCEEDED(CoInitialize(nullptr));
    m_filter.emplace();
    g_host.connect();
}

HostConversation::~HostConversation() {
    if (!m_begun) return;
    --g_depth;
    if (!m_outermost) return;
    g_host.release();
    m_filter.reset();
    if (m_comInitialised) CoUninitialize();
    // An unload that came meanwhile has made it abandoned; that stays.
    ThreadLife expected = ThreadLife::conversing;
    g_threadLife.compare_exchange_strong(expected, ThreadLife::idle);
}
