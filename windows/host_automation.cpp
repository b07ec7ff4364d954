#include "windows/host_automation.h"

#include <objbase.h>

#include <atomic>
#include <utility>

#include "windows/wide_text.h"

namespace {

// The offered object's cookie in the global interface table (0: none), and the table as the host's
// thread holds it. Written by the host's thread only while no window thread runs, or at the unload.
std::atomic<DWORD> g_offeredCookie{0};
IGlobalInterfaceTable* g_offeredIn = nullptr;

constexpr DISPID kSendMacro = 16;
constexpr DISPID kGetMode = 7;
constexpr DISPID kGetFrequency = 2;
constexpr DISPID kGetEntryField = 8;
constexpr LONG kEntryFieldCall = 5;

std::optional<std::string> NarrowOf(VARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return std::string();
    if (value.vt != VT_BSTR && FAILED(VariantChangeType(&value, &value, 0, VT_BSTR))) return std::nullopt;
    if (!value.bstrVal) return std::string();
    return ToThreadAnsi(std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal)));
}

}  // namespace

bool HostAutomation::connect() {
    release();
    if (const DWORD cookie = g_offeredCookie.load()) {
        ComPtr<IGlobalInterfaceTable> table;
        if (FAILED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IGlobalInterfaceTable, table.putVoid())) ||
            FAILED(table->GetInterfaceFromGlobal(cookie, IID_IDispatch, reinterpret_cast<void**>(&m_dispatch))))
            m_dispatch = nullptr;
        return connected();
    }
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(kHostProgId, &classId))) return false;
    ComPtr<IUnknown> running;
    if (FAILED(GetActiveObject(classId, nullptr, running.put())) || !running) return false;
    if (FAILED(running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch))))
        m_dispatch = nullptr;
    return connected();
}

void HostAutomation::release() {
    if (m_dispatch) std::exchange(m_dispatch, nullptr)->Release();
}

HRESULT HostAutomation::invoke(DISPID id, WORD kind, VARIANTARG* arguments, UINT count, VARIANT* result) {
    DISPPARAMS parameters{arguments, nullptr, count, 0};
    EXCEPINFO exception{};
    UINT badArgument = 0;
    HRESULT status = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result,
                                        &exception, &badArgument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return status;
}

bool HostAutomation::SendMacro(std::string_view macro) {
    if (!m_dispatch) return true;
    Bstr text(FromAnsi(macro));
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    Variant result;
    return SUCCEEDED(invoke(kSendMacro, DISPATCH_METHOD, &argument, 1, result.get()));
}

std::optional<std::string> HostAutomation::GetMode() {
    if (!m_dispatch) return std::string();
    Variant result;
    if (FAILED(invoke(kGetMode, DISPATCH_PROPERTYGET, nullptr, 0, result.get()))) return std::nullopt;
    return NarrowOf(*result.get());
}

std::optional<double> HostAutomation::GetFrequency() {
    if (!m_dispatch) return 0.0;
    Variant result;
    if (FAILED(invoke(kGetFrequency, DISPATCH_PROPERTYGET, nullptr, 0, result.get()))) return std::nullopt;
    VARIANT& value = *result.get();
    if (value.vt != VT_R8 && FAILED(VariantChangeType(&value, &value, 0, VT_R8))) return std::nullopt;
    return value.dblVal;
}

std::optional<std::string> HostAutomation::GetEntryField() {
    if (!m_dispatch) return std::string();
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = kEntryFieldCall;
    Variant result;
    if (FAILED(invoke(kGetEntryField, DISPATCH_METHOD, &argument, 1, result.get()))) return std::nullopt;
    return NarrowOf(*result.get());
}

void OfferHostObject() {
    WithdrawHostObject();
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(kHostProgId, &classId))) return;
    ComPtr<IGlobalInterfaceTable> table;
    if (FAILED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IGlobalInterfaceTable, table.putVoid())))
        return;
    ComPtr<IUnknown> running;
    if (FAILED(GetActiveObject(classId, nullptr, running.put())) || !running) return;
    ComPtr<IDispatch> dispatch;
    if (FAILED(running->QueryInterface(IID_IDispatch, dispatch.putVoid())) || !dispatch) return;
    DWORD cookie = 0;
    if (FAILED(table->RegisterInterfaceInGlobal(dispatch.get(), IID_IDispatch, &cookie)) || cookie == 0) return;
    g_offeredIn = table.get();
    g_offeredIn->AddRef();
    g_offeredCookie.store(cookie);
}

void WithdrawHostObject() {
    const DWORD cookie = g_offeredCookie.exchange(0);
    IGlobalInterfaceTable* table = std::exchange(g_offeredIn, nullptr);
    if (!table) return;
    if (cookie) table->RevokeInterfaceFromGlobal(cookie);
    table->Release();
}
