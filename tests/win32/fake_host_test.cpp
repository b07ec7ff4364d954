// The fake host object reached from a single-threaded apartment exactly as the plug-in's window
// thread reaches the real host.
#include "tools/fake_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/ole_values.h"

namespace {

template <typename Body>
void OnStaThread(Body body) {
    std::thread([&] {
        CoInitialize(nullptr);
        body();
        CoUninitialize();
    }).join();
}

// The host's dispatch interface as the plug-in obtains it; calls return the HRESULT.
class Client {
public:
    Client() {
        CLSID clsid{};
        m_connect = CLSIDFromProgID(L"Vexl2.Application", &clsid);
        IUnknown* unknown = nullptr;
        if (SUCCEEDED(m_connect)) m_connect = GetActiveObject(clsid, nullptr, &unknown);
        if (SUCCEEDED(m_connect)) m_connect = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_host));
        if (unknown) unknown->Release();
    }
    ~Client() {
        if (m_host) m_host->Release();
    }
    HRESULT connected() const { return m_connect; }

    HRESULT invoke(DISPID id, WORD flags, Variant& result, VARIANT* argument = nullptr) {
        if (!m_host) return E_POINTER;
        DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
        EXCEPINFO exception{};
        HRESULT hr = m_host->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(), &exception, nullptr);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return hr;
    }
    HRESULT sendMacro(const std::string& text) {
        Bstr macro(ole::Widen(text));
        VARIANT argument;
        V_VT(&argument) = VT_BSTR;
        V_BSTR(&argument) = macro.get();
        Variant result;
        return invoke(FakeHost::sendMacro, DISPATCH_METHOD, result, &argument);
    }
    HRESULT entryField(Variant& result) {
        VARIANT argument;
        V_VT(&argument) = VT_I4;
        V_I4(&argument) = 5;
        return invoke(FakeHost::getEntryField, DISPATCH_METHOD, result, &argument);
    }
    std::string mode() {
        Variant result;
        return SUCCEEDED(invoke(FakeHost::getMode, DISPATCH_PROPERTYGET, result)) ? ole::TextOf(result.value()) : "<failed>";
    }

private:
    HRESULT m_connect = E_FAIL;
    IDispatch* m_host = nullptr;
};

TEST(FakeHost, AnswersEveryOperationWithItsKindOfValue) {
    FakeHost host;
    host.setMode("BPSK63");
    host.setFrequency(3512345.5);
    OnStaThread([&] {
        Client client;
        ASSERT_EQ(S_OK, client.connected());
        EXPECT_EQ("BPSK63", client.mode());

        Variant frequency;
        EXPECT_EQ(S_OK, client.invoke(FakeHost::getFrequency, DISPATCH_PROPERTYGET, frequency));
        EXPECT_EQ(VT_R8, frequency.value().vt);
        EXPECT_EQ(3512345.5, frequency.value().dblVal);

        struct Case { void (*set)(FakeHost&); VARTYPE type; std::string text; };
        const Case cases[] = {
            {[](FakeHost& h) { h.setEntryField("UT7WQ"); }, VT_BSTR, "UT7WQ"},
            {[](FakeHost& h) { h.setEntryFieldNull(); }, VT_NULL, ""},
            {[](FakeHost& h) { h.setEntryFieldEmpty(); }, VT_EMPTY, ""},
            {[](FakeHost& h) { h.setEntryField(""); }, VT_BSTR, ""},
        };
        for (const auto& c : cases) {
            c.set(host);
            Variant call;
            EXPECT_EQ(S_OK, client.entryField(call));
            EXPECT_EQ(c.type, call.value().vt) << c.text;
            EXPECT_EQ(c.text, ole::TextOf(call.value()));
        }

        EXPECT_EQ(S_OK, client.sendMacro("<SP1>"));
        EXPECT_EQ(S_OK, client.sendMacro("<MODE:CW>"));
        EXPECT_EQ("BPSK63", client.mode()) << "the mode follows macros only when asked to";
        Variant none;
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, client.invoke(99, DISPATCH_METHOD, none));
        EXPECT_EQ(DISP_E_BADPARAMCOUNT, client.invoke(FakeHost::sendMacro, DISPATCH_METHOD, none));
    });
    EXPECT_EQ((std::vector<std::string>{"<SP1>", "<MODE:CW>"}), host.macros());
    EXPECT_EQ(4, host.callCount(FakeHost::getEntryField));
    EXPECT_EQ(3, host.callCount(FakeHost::sendMacro));
    EXPECT_EQ(1, host.callCount(FakeHost::getFrequency));
    EXPECT_EQ(1, host.callCount(99));
    host.clearMacros();
    EXPECT_TRUE(host.macros().empty());
}

TEST(FakeHost, ModeFollowsTheModeAndBaudRateMacros) {
    FakeHost host;
    host.setMode("SSB");
    host.setModeFollowsMacros(true);
    const std::pair<const char*, const char*> steps[] = {
        {"<SP1>", "SSB"},           {"<MODE:BPSK31>", "BPSK31"},  {"<BAUDRATE:63>", "BPSK63"},
        {"<BAUDRATE:125>", "BPSK125"}, {"<MODE:QPSK31>", "QPSK31"}, {"<BAUDRATE:125>", "QPSK125"},
        {"<BAUDRATE:63>", "QPSK63"},  {"<MODE:CW>", "CW"},          {"<BAUDRATE:27>", "CW"},
        {"<MODE:RTTY>", "RTTY"},      {"<BAUDRATE:45.45>", "RTTY"}, {"<MODE:MFSK>", "MFSK"},
    };
    OnStaThread([&] {
        Client client;
        for (const auto& [macro, mode] : steps) {
            EXPECT_EQ(S_OK, client.sendMacro(macro));
            EXPECT_EQ(mode, client.mode()) << "after " << macro;
        }
    });
    ASSERT_EQ(std::size(steps), host.macros().size());
    EXPECT_EQ("<BAUDRATE:45.45>", host.macros()[10]);
}

TEST(FakeHost, FailingHostAnswersEveryCallWithAnExceptionAndRunsNothing) {
    FakeHost host;
    host.setFailing(true);
    OnStaThread([&] {
        Client client;
        Variant value;
        EXPECT_EQ(DISP_E_EXCEPTION, client.sendMacro("<MODE:CW>"));
        EXPECT_EQ(DISP_E_EXCEPTION, client.entryField(value));
        EXPECT_EQ(DISP_E_EXCEPTION, client.invoke(FakeHost::getMode, DISPATCH_PROPERTYGET, value));
        EXPECT_EQ(DISP_E_EXCEPTION, client.invoke(FakeHost::getFrequency, DISPATCH_PROPERTYGET, value));
        host.setFailing(false);
        EXPECT_EQ(S_OK, client.sendMacro("<MODE:SSB>"));
    });
    EXPECT_EQ(std::vector<std::string>{"<MODE:SSB>"}, host.macros());
    EXPECT_EQ(2, host.callCount(FakeHost::sendMacro));
}

TEST(FakeHost, BlockedHostHoldsTheCallerUntilUnblocked) {
    FakeHost host;
    host.setBlocked(true);
    HRESULT answer = E_FAIL;
    std::thread caller([&] { OnStaThread([&] { answer = Client().sendMacro("<SP1>"); }); });
    EXPECT_TRUE(host.waitForCalls(FakeHost::sendMacro, 1, 5000));
    EXPECT_EQ(host.callsInFlight(), 1);
    EXPECT_TRUE(host.macros().empty());
    host.setBlocked(false);
    caller.join();
    EXPECT_EQ(S_OK, answer);
    EXPECT_EQ(std::vector<std::string>{"<SP1>"}, host.macros());
}

// A GUI host answers on its own thread, only while that thread takes its messages: a caller waits
// while the thread is busy (or blocked), and gets its answer at the next pump.
TEST(FakeHost, GuiHostAnswersOnItsOwnThreadOnlyWhileItTakesItsMessages) {
    FakeHost host(FakeHost::Kind::gui);
    host.setMode("RTTY");
    std::atomic<bool> answered{false}, done{false};
    std::string mode;
    std::thread caller([&] {
        OnStaThread([&] {
            mode = Client().mode();
            answered = true;
        });
        done = true;
    });
    EXPECT_TRUE(host.waitForCallWaiting(5000));
    // Only this thread's pump can answer the call waiting in its queue.
    EXPECT_FALSE(answered.load());
    EXPECT_EQ(host.callCount(FakeHost::getMode), 0);
    // Blocked, the pump takes only sent messages: the call still waits.
    host.setBlocked(true);
    for (int i = 0; i < 10; ++i) PumpHostMessages();
    EXPECT_FALSE(answered.load());
    host.setBlocked(false);
    EXPECT_TRUE(host.waitForCalls(FakeHost::getMode, 1, 5000));
    // The caller's release of the object and its COM's end need the pump too.
    while (!done.load()) PumpHostMessages();
    caller.join();
    EXPECT_EQ(mode, "RTTY");
}

TEST(FakeHost, HostsMadeInTurnAreEachReachableAndGoneAfterwards) {
    for (const char* mode : {"CW", "QPSK63", "RTTY"}) {
        FakeHost host;
        host.setMode(mode);
        OnStaThread([&] { EXPECT_EQ(mode, Client().mode()); });
    }
    OnStaThread([] { EXPECT_TRUE(FAILED(Client().connected())); });
    IUnknown* unknown = nullptr;
    OnStaThread([&] { EXPECT_TRUE(FAILED(GetActiveObject(FakeHost::classId(), nullptr, &unknown))); });
    EXPECT_EQ(nullptr, unknown);
}

TEST(FakeHost, ClientThatKeptTheHostGetsFailuresOnceItIsGone) {
    OnStaThread([] {
        auto host = std::make_unique<FakeHost>();
        host->setMode("SSB");
        Client client;
        EXPECT_EQ("SSB", client.mode());
        host.reset();
        EXPECT_EQ("<failed>", client.mode());
    });
}

}  // namespace
