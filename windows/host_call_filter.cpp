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

DWORD STDMETHODCALLTYPE HostCallFilter::MessagePending(HTASK, DWORD, DWORD) {
    return g_stopRequested.load() ? PENDINGMSG_CANCELCALL : PENDINGMSG_WAITDEFPROCESS;
}

HostCallFilterRegistration::HostCallFilterRegistration()
    : m_registered(SUCCEEDED(CoRegisterMessageFilter(&m_filter, &m_previous))) {}

HostCallFilterRegistration::~HostCallFilterRegistration() {
    if (!m_registered) return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(m_previous, &ours);
    if (m_previous) m_previous->Release();
}
