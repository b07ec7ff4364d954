#pragma once

#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// Plays the host's automation object "Vexl2.Application" inside this process: a real COM object
// with the host's four late-bound operations, registered under the host's program id and put in
// the running object table for the life of a FakeHost. The plug-in's window thread reaches it the
// way it reaches the real host (CLSIDFromProgID, GetActiveObject, IDispatch::Invoke).
//
// Two kinds of host:
// - ownThread: the object lives in the multithreaded apartment of a thread of its own, and its
//   calls are answered on COM's threads whatever the thread that made the FakeHost does.
// - gui: the object is registered from the thread that makes the FakeHost, in a single-threaded
//   apartment, as a host's UI thread does. A call from another apartment is answered only while
//   that thread takes its messages (PumpHostMessages(), WaitUntil of the tests, any modal loop);
//   while it sits in an export or in FreeLibrary, the caller waits. Such a FakeHost must be made
//   and destroyed on the same thread.
class FakeHost {
public:
    enum DispId : DISPID { getFrequency = 2, getMode = 7, getEntryField = 8, sendMacro = 16 };
    enum class Kind { ownThread, gui };

    // Registers the program id and the object; throws std::runtime_error when COM refuses.
    explicit FakeHost(Kind kind = Kind::ownThread);
    // Revokes the object, disconnects every client still holding it and removes the program id.
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static const CLSID& classId();

    // Takes the object out of the running object table (RevokeActiveObject), as a host does on its
    // way out; clients that hold it still reach it. A gui host revokes on this thread, an ownThread
    // one on its object's thread, which this waits for. Returns how long the revoke took.
    std::chrono::milliseconds withdraw();

    // GetEntryField(5) answers this text as a string (an empty string for ""); the two others
    // make it answer a null or an empty variant instead.
    void setEntryField(std::string call);
    void setEntryFieldNull();
    void setEntryFieldEmpty();
    void setFrequency(double hz);
    void setMode(std::string mode);

    // Every SendMacro text that was answered successfully, in order of arrival.
    std::vector<std::string> macros() const;
    void clearMacros();
    // "<MODE:X>" sets the mode to X; "<BAUDRATE:n>" with n = 31, 63 or 125 while the mode is a
    // BPSK or QPSK mode sets BPSK<n> or QPSK<n>; other baud rates keep the mode. Off at first.
    void setModeFollowsMacros(bool on);
    // Every call answers DISP_E_EXCEPTION (and records nothing).
    void setFailing(bool on);
    // ownThread: every call waits, without a time limit, until unblocked (or the FakeHost goes).
    // gui: the host's thread stops taking calls: PumpHostMessages() and this object's waits take
    // only sent messages until unblocked, so a call stays in the queue as behind a busy UI thread.
    void setBlocked(bool on);
    Kind kind() const { return m_kind; }

    // Calls of one dispatch id that arrived so far, answered or not.
    int callCount(DISPID id) const;
    // When each of them arrived, in order.
    std::vector<std::chrono::steady_clock::time_point> callTimes(DISPID id) const;
    // Waits until callCount(id) reaches count; false after timeoutMs without it. A gui host takes
    // its messages meanwhile.
    bool waitForCalls(DISPID id, int count, int timeoutMs) const;
    // Waits until a call from another apartment waits for the host, unanswered: ownThread, a call
    // of any kind in flight; gui, a call waiting in the host thread's queue. Meant for a blocked host.
    bool waitForCallWaiting(int timeoutMs) const;
    // Calls of any kind that arrived and are not answered yet, and all that ever arrived.
    int callsInFlight() const;
    int callsArrived() const;
    // Waits until no call is in flight; false after timeoutMs.
    bool waitUntilNoCallInFlight(int timeoutMs) const;

    struct State;

private:
    // Waits for the condition, taking this thread's messages when the host is a gui one.
    template <typename Condition>
    bool waitFor(Condition condition, int timeoutMs) const;

    Kind m_kind;
    std::shared_ptr<State> m_state;
    struct Registration;
    std::unique_ptr<Registration> m_registration;
    struct GuiRegistration;
    std::unique_ptr<GuiRegistration> m_guiRegistration;
};

// Takes the calling thread's waiting messages, as a host's UI thread does between its calls; a gui
// FakeHost's calls are answered here. While that host is blocked, only sent messages are taken.
void PumpHostMessages();
