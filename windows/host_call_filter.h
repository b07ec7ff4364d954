#pragma once

#include <objbase.h>

// Registered on the window thread while it holds the host object. COM consults it while a call to
// the host waits for its answer and a message arrives: the window system's messages (a hide at an
// unload among them) are taken meanwhile, and the call waits on. A host that rejects a call as
// busy is not asked again.
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
