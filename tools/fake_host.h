#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

// Plays the host's automation object "Vexl2.Application" inside this process: a real COM object
// with the host's four late-bound operations, registered under the host's program id and put in
// the running object table for the life of a FakeHost. The plug-in's window thread reaches it the
// way it reaches the real host (CLSIDFromProgID, GetActiveObject, IDispatch::Invoke); its calls
// arrive on COM's threads, so every member may be used while they run.
class FakeHost {
public:
    enum DispId : DISPID { getFrequency = 2, getMode = 7, getEntryField = 8, sendMacro = 16 };

    // Registers the program id and the object; throws std::runtime_error when COM refuses.
    FakeHost();
    // Revokes the object, disconnects every client still holding it and removes the program id.
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static const CLSID& classId();

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
    // Every call waits, without a time limit, until unblocked (or the FakeHost goes).
    void setBlocked(bool on);

    // Calls of one dispatch id that arrived so far, answered or not.
    int callCount(DISPID id) const;
    // Waits until callCount(id) reaches count; false after timeoutMs without it.
    bool waitForCalls(DISPID id, int count, int timeoutMs) const;
    // Calls of any kind that arrived and are not answered yet, and all that ever arrived.
    int callsInFlight() const;
    int callsArrived() const;
    // Waits until no call is in flight; false after timeoutMs.
    bool waitUntilNoCallInFlight(int timeoutMs) const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    struct Registration;
    std::unique_ptr<Registration> m_registration;
};
