#pragma once

#include <objbase.h>

// Registered on the window thread while it holds the host object. COM consults it while a call to
// the host waits for its answer and a message arrives; once the windows must close, it cancels the
// call, so that a host which does not answer (its thread may be the one closing us) cannot hold
// the window thread.
class HostCallFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the thread's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override;
};

// Registers the filter on the calling thread for the life of the object.
class HostCallFilterRegistration {
public:
    HostCallFilterRegistration();
    ~HostCallFilterRegistration();
    HostCallFilterRegistration(const HostCallFilterRegistration&) = delete;
    HostCallFilterRegistration& operator=(const HostCallFilterRegistration&) = delete;

private:
    HostCallFilter m_filter;
    IMessageFilter* m_previous = nullptr;
    bool m_registered = false;
};
