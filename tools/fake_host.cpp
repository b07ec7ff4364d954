#include "tools/fake_host.h"

#include <oleauto.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "tools/ole_values.h"

namespace {

// {8C1B76C2-907A-4443-9B66-06596A009072}
const CLSID kFakeHostClsid = {0x8c1b76c2, 0x907a, 0x4443, {0x9b, 0x66, 0x06, 0x59, 0x6a, 0x00, 0x90, 0x72}};
const char kProgIdKey[] = "Vexl2.Application";
const char kProgIdClsidKey[] = "Vexl2.Application\\CLSID";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

struct FakeHost::State {
    enum class Entry { text, null, empty };

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    Entry entryKind = Entry::text;
    std::string entryField;
    std::string mode = "CW";
    double frequency = 0.0;
    std::vector<std::string> macros;
    bool modeFollowsMacros = false;
    bool failing = false;
    bool blocked = false;
    bool gui = false;  // calls run on the host's own thread, which must never wait in them
    std::map<DISPID, int> calls;
    std::map<DISPID, std::vector<std::chrono::steady_clock::time_point>> callTimes;
    int callsInFlight = 0;
    int callsArrived = 0;

    // Counts the call from its arrival until its answer, whatever it asks.
    class CallInFlight {
    public:
        explicit CallInFlight(State& state) : m_state(state) {
            std::lock_guard lock(m_state.mutex);
            ++m_state.callsInFlight;
            ++m_state.callsArrived;
            m_state.changed.notify_all();
        }
        ~CallInFlight() {
            std::lock_guard lock(m_state.mutex);
            --m_state.callsInFlight;
            m_state.changed.notify_all();
        }
        CallInFlight(const CallInFlight&) = delete;
        CallInFlight& operator=(const CallInFlight&) = delete;

    private:
        State& m_state;
    };

    HRESULT invoke(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argError) {
        std::unique_lock lock(mutex);
        ++calls[id];
        callTimes[id].push_back(std::chrono::steady_clock::now());
        changed.notify_all();
        if (!gui) changed.wait(lock, [this] { return !blocked; });
        if (failing) {
            if (exception) {
                *exception = {};
                exception->scode = E_FAIL;
                exception->bstrSource = ole::NewBstr("Vexl2.Application");
                exception->bstrDescription = ole::NewBstr("the host failed on purpose");
            }
            return DISP_E_EXCEPTION;
        }
        const bool method = flags & DISPATCH_METHOD;
        const bool get = flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        const UINT argCount = params ? params->cArgs : 0;
        if (params && params->cNamedArgs) return DISP_E_NONAMEDARGS;

        switch (id) {
            case sendMacro: {
                if (!method) return DISP_E_MEMBERNOTFOUND;
                if (argCount != 1) return DISP_E_BADPARAMCOUNT;
                Variant text;
                if (FAILED(VariantChangeType(text.get(), &params->rgvarg[0], 0, VT_BSTR))) {
                    if (argError) *argError = 0;
                    return DISP_E_TYPEMISMATCH;
                }
                macros.push_back(ole::TextOf(text.value()));
                if (modeFollowsMacros) follow(macros.back());
                changed.notify_all();
                return S_OK;
            }
            case getMode:
                if (!get) return DISP_E_MEMBERNOTFOUND;
                if (argCount != 0) return DISP_E_BADPARAMCOUNT;
                if (result) {
                    V_VT(result) = VT_BSTR;
                    V_BSTR(result) = ole::NewBstr(mode);
                }
                return S_OK;
            case getFrequency:
                if (!get) return DISP_E_MEMBERNOTFOUND;
                if (argCount != 0) return DISP_E_BADPARAMCOUNT;
                if (result) {
                    V_VT(result) = VT_R8;
                    V_R8(result) = frequency;
                }
                return S_OK;
            case getEntryField: {
                if (!method) return DISP_E_MEMBERNOTFOUND;
                if (argCount != 1) return DISP_E_BADPARAMCOUNT;
                Variant field;
                if (FAILED(VariantChangeType(field.get(), &params->rgvarg[0], 0, VT_I4))) {
                    if (argError) *argError = 0;
                    return DISP_E_TYPEMISMATCH;
                }
                // Only the call sign field exists here.
                if (V_I4(field.get()) != 5) return DISP_E_BADINDEX;
                if (result) {
                    if (entryKind == Entry::text) {
                        V_VT(result) = VT_BSTR;
                        V_BSTR(result) = ole::NewBstr(entryField);
                    } else {
                        V_VT(result) = entryKind == Entry::null ? VT_NULL : VT_EMPTY;
                    }
                }
                return S_OK;
            }
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

    // The mode a macro leaves the host in.
    void follow(const std::string& macro) {
        if (macro.size() < 2 || macro.back() != '>') return;
        if (StartsWith(macro, "<MODE:")) {
            mode = macro.substr(6, macro.size() - 7);
        } else if (StartsWith(macro, "<BAUDRATE:")) {
            std::string rate = macro.substr(10, macro.size() - 11);
            std::string family = mode.substr(0, 4);
            if ((family == "BPSK" || family == "QPSK") && (rate == "31" || rate == "63" || rate == "125"))
                mode = family + rate;
        }
    }
};

namespace {

class HostObject final : public IDispatch {
public:
    explicit HostObject(std::shared_ptr<FakeHost::State> state) : m_state(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        FakeHost::State::CallInFlight call(*m_state);
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        FakeHost::State::CallInFlight call(*m_state);
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const std::pair<const wchar_t*, DISPID> kNames[] = {{L"SendMacro", FakeHost::sendMacro},
                                                                   {L"GetMode", FakeHost::getMode},
                                                                   {L"GetFrequency", FakeHost::getFrequency},
                                                                   {L"GetEntryField", FakeHost::getEntryField}};
        FakeHost::State::CallInFlight call(*m_state);
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (const auto& [name, id] : kNames)
            if (lstrcmpiW(names[0], name) == 0) ids[0] = id;
        return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override {
        FakeHost::State::CallInFlight call(*m_state);
        try {
            return m_state->invoke(id, flags, params, result, exception, argError);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~HostObject() = default;

    std::atomic<ULONG> m_references{1};
    std::shared_ptr<FakeHost::State> m_state;
};

void RemoveProgId() {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgIdClsidKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgIdKey);
}

void WriteProgId() {
    wchar_t wide[64] = L"";
    StringFromGUID2(kFakeHostClsid, wide, 64);
    std::string clsid = ole::Narrow(wide);
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, kProgIdClsidKey, &key) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the host's program id to the registry");
    LONG written = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                                  static_cast<DWORD>(clsid.size() + 1));
    RegCloseKey(key);
    if (written != ERROR_SUCCESS) {
        RemoveProgId();
        throw std::runtime_error("cannot write the host's class id to the registry");
    }
}

}  // namespace

// The object lives in the multithreaded apartment of a thread of its own, so the apartment of the
// thread that makes a FakeHost does not matter, and the object stays reachable while that thread
// waits in a modal loop or in an export.
struct FakeHost::Registration {
    std::mutex mutex;
    std::condition_variable signal;
    bool registered = false, stop = false, withdrawAsked = false, withdrawn = false;
    HRESULT result = S_OK;
    std::thread thread;

    explicit Registration(std::shared_ptr<State> state) {
        thread = std::thread([this, state] { run(state); });
        std::unique_lock lock(mutex);
        signal.wait(lock, [this] { return registered; });
        if (FAILED(result)) {
            lock.unlock();
            thread.join();
            throw std::runtime_error("cannot register the host object: HRESULT " + std::to_string(result));
        }
    }
    ~Registration() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        signal.notify_all();
        thread.join();
    }

    void run(std::shared_ptr<State> state) {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        HostObject* object = nullptr;
        DWORD cookie = 0;
        if (SUCCEEDED(hr)) {
            object = new HostObject(std::move(state));
            hr = RegisterActiveObject(object, kFakeHostClsid, ACTIVEOBJECT_STRONG, &cookie);
        }
        {
            std::unique_lock lock(mutex);
            result = hr;
            registered = true;
            signal.notify_all();
            while (SUCCEEDED(hr) && !stop) {
                signal.wait(lock, [this] { return stop || (withdrawAsked && !withdrawn); });
                if (withdrawAsked && !withdrawn) {
                    lock.unlock();
                    RevokeActiveObject(cookie, nullptr);
                    lock.lock();
                    withdrawn = true;
                    signal.notify_all();
                }
            }
        }
        if (SUCCEEDED(hr)) {
            if (!withdrawn) RevokeActiveObject(cookie, nullptr);
            // Clients that kept the object (the plug-in keeps it for the life of the library) get
            // disconnected answers from now on instead of reaching a dead host.
            CoDisconnectObject(object, 0);
        }
        if (object) object->Release();
        CoUninitialize();
    }
};

namespace {
// The gui host registered from this thread, if any: its blocked switch decides what the pump takes.
thread_local FakeHost::State* t_guiHost = nullptr;

bool GuiHostBlocked() {
    if (!t_guiHost) return false;
    std::lock_guard lock(t_guiHost->mutex);
    return t_guiHost->blocked;
}
}  // namespace

// The object in the single-threaded apartment of the thread that makes the FakeHost: COM hands
// every call from another apartment to this thread as a message of its queue.
struct FakeHost::GuiRegistration {
    HostObject* object = nullptr;
    DWORD cookie = 0;
    bool comInitialised = false;
    bool withdrawn = false;

    void withdraw() {
        if (std::exchange(withdrawn, true)) return;
        RevokeActiveObject(cookie, nullptr);
    }

    explicit GuiRegistration(const std::shared_ptr<State>& state) {
        const HRESULT init = CoInitialize(nullptr);
        if (FAILED(init))
            throw std::runtime_error("this thread cannot be a single-threaded apartment: HRESULT " + std::to_string(init));
        comInitialised = true;
        object = new HostObject(state);
        const HRESULT hr = RegisterActiveObject(object, kFakeHostClsid, ACTIVEOBJECT_STRONG, &cookie);
        if (FAILED(hr)) {
            object->Release();
            CoUninitialize();
            throw std::runtime_error("cannot register the host object: HRESULT " + std::to_string(hr));
        }
        t_guiHost = state.get();
    }
    ~GuiRegistration() {
        t_guiHost = nullptr;
        withdraw();
        CoDisconnectObject(object, 0);
        object->Release();
        CoUninitialize();
    }
};

void PumpHostMessages() {
    MSG message;
    if (GuiHostBlocked()) {
        // Sent messages are taken by any Peek; posted ones, the calls among them, stay queued.
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        return;
    }
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

FakeHost::FakeHost(Kind kind) : m_kind(kind), m_state(std::make_shared<State>()) {
    m_state->gui = kind == Kind::gui;
    WriteProgId();
    try {
        if (kind == Kind::gui)
            m_guiRegistration = std::make_unique<GuiRegistration>(m_state);
        else
            m_registration = std::make_unique<Registration>(m_state);
    } catch (...) {
        RemoveProgId();
        throw;
    }
}

std::chrono::milliseconds FakeHost::withdraw() {
    const auto start = std::chrono::steady_clock::now();
    if (m_guiRegistration) {
        m_guiRegistration->withdraw();
    } else if (m_registration) {
        std::unique_lock lock(m_registration->mutex);
        m_registration->withdrawAsked = true;
        m_registration->signal.notify_all();
        m_registration->signal.wait(lock, [&] { return m_registration->withdrawn; });
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

FakeHost::~FakeHost() {
    setBlocked(false);
    m_registration.reset();
    m_guiRegistration.reset();
    RemoveProgId();
}

template <typename Condition>
bool FakeHost::waitFor(Condition condition, int timeoutMs) const {
    if (m_kind == Kind::ownThread) {
        std::unique_lock lock(m_state->mutex);
        return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), condition);
    }
    // The calls are answered on this thread: take its messages while waiting, never holding the
    // mutex that an answer takes.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(m_state->mutex);
            if (condition()) return true;
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        PumpHostMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}

bool FakeHost::waitForCallWaiting(int timeoutMs) const {
    if (m_kind == Kind::ownThread) return waitFor([&] { return m_state->callsInFlight > 0; }, timeoutMs);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // sent messages only
        if (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(1);
    }
}

const CLSID& FakeHost::classId() { return kFakeHostClsid; }

void FakeHost::setEntryField(std::string call) {
    std::lock_guard lock(m_state->mutex);
    m_state->entryKind = State::Entry::text;
    m_state->entryField = std::move(call);
}

void FakeHost::setEntryFieldNull() {
    std::lock_guard lock(m_state->mutex);
    m_state->entryKind = State::Entry::null;
    m_state->entryField.clear();
}

void FakeHost::setEntryFieldEmpty() {
    std::lock_guard lock(m_state->mutex);
    m_state->entryKind = State::Entry::empty;
    m_state->entryField.clear();
}

void FakeHost::setFrequency(double hz) {
    std::lock_guard lock(m_state->mutex);
    m_state->frequency = hz;
}

void FakeHost::setMode(std::string mode) {
    std::lock_guard lock(m_state->mutex);
    m_state->mode = std::move(mode);
}

std::vector<std::string> FakeHost::macros() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->macros;
}

void FakeHost::clearMacros() {
    std::lock_guard lock(m_state->mutex);
    m_state->macros.clear();
}

void FakeHost::setModeFollowsMacros(bool on) {
    std::lock_guard lock(m_state->mutex);
    m_state->modeFollowsMacros = on;
}

void FakeHost::setFailing(bool on) {
    std::lock_guard lock(m_state->mutex);
    m_state->failing = on;
}

void FakeHost::setBlocked(bool on) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->blocked = on;
    }
    m_state->changed.notify_all();
}

int FakeHost::callCount(DISPID id) const {
    std::lock_guard lock(m_state->mutex);
    auto found = m_state->calls.find(id);
    return found == m_state->calls.end() ? 0 : found->second;
}

std::vector<std::chrono::steady_clock::time_point> FakeHost::callTimes(DISPID id) const {
    std::lock_guard lock(m_state->mutex);
    auto found = m_state->callTimes.find(id);
    return found == m_state->callTimes.end() ? std::vector<std::chrono::steady_clock::time_point>() : found->second;
}

bool FakeHost::waitForCalls(DISPID id, int count, int timeoutMs) const {
    return waitFor([&] { return m_state->calls[id] >= count; }, timeoutMs);
}

int FakeHost::callsInFlight() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->callsInFlight;
}

int FakeHost::callsArrived() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->callsArrived;
}

bool FakeHost::waitUntilNoCallInFlight(int timeoutMs) const {
    return waitFor([&] { return m_state->callsInFlight == 0; }, timeoutMs);
}
