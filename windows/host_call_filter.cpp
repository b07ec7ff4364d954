#include "windows/host_call_filter.h"

#include "windows/window_thread_state.h"

HRESULT STDMETHODCALLTYPE HostCallFilter::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IMessageFilter)) {
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE HostCallFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;
}

// A host that is busy is not asked again: the refresh or mode command gives up as after an error.
DWORD STDMETHODCALLTYPE HostCallFilter::RetryRejectedCall(HTASK, DWORD, DWORD) {
    return static_cast<DWORD>(-1);
}

// A call is never cancelled, not even at an unload: a thread left behind waiting for the host
// holds nothing the unload or a new load needs, and takes the library with it when the host
// answers. Wine's COM leaks a cancelled call's event and locks (one of each kind for every unload
// made while a call waits), and on Windows the host's late answer would find no one waiting.
DWORD STDMETHODCALLTYPE HostCallFilter::MessagePending(HTASK, DWORD, DWORD) { return PENDINGMSG_WAITDEFPROCESS; }

HostCallFilterRegistration::HostCallFilterRegistration()
    : m_registered(SUCCEEDED(CoRegisterMessageFilter(&m_filter, &m_previous))) {}

HostCallFilterRegistration::~HostCallFilterRegistration() {
    if (!m_registered) return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(m_previous, &ours);
    if (m_previous) m_previous->Release();
}
