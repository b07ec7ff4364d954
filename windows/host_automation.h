#pragma once

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "windows/com_handles.h"

// The host application's automation object, handed over by the host's thread (below) or else
// taken from the running object table by its program id, and called late-bound by dispatch id. Every call reports a host error as "no value"; while
// no object is held, calls do nothing and reads are empty.
//
// The window thread holds the object only for one conversation with the host (host_conversation.h)
// and lets go of it itself: no destructor does it, since a destructor of the library's state runs
// on the host's thread inside the loader, where a call to the host object may never be answered.
class HostAutomation {
public:
    // Takes the object the host's thread offered, or looks up the running host when none was
    // offered; false when there is none. COM must be initialised on this thread.
    bool connect();
    // Releases the object.
    void release();
    bool connected() const { return m_dispatch != nullptr; }

    // False when the host answered with an error.
    bool SendMacro(std::string_view macro);
    std::optional<std::string> GetMode();
    std::optional<double> GetFrequency();
    // The call being entered; a null or empty field gives the empty text.
    std::optional<std::string> GetEntryField();

private:
    HRESULT invoke(DISPID id, WORD kind, VARIANTARG* arguments, UINT count, VARIANT* result);

    IDispatch* m_dispatch = nullptr;
};

inline constexpr wchar_t kHostProgId[] = L"Vexl2.Application";

// The hand-over of the host's object, on the host's thread: at a reset that starts the window
// thread, and at the unload.
//
// The window thread must never look the object up itself where the host's thread serves it (a GUI
// host's UI thread): GetActiveObject holds the running object table's lock while it waits for the
// object's apartment to answer, and a host that withdraws its object (RevokeActiveObject) waits
// for that lock on the very thread that would answer: neither ever goes on. So the host's thread,
// which reaches its own object without waiting for anyone, puts it in the process's global
// interface table once, and every conversation of the window thread takes a proxy from there;
// its waits for the host then hold no lock of the system's.
//
// A host's thread that is in no apartment (a host whose object lives on a thread of its own)
// offers nothing where COM refuses it; the window thread then looks the object up itself, which
// waits only for that other thread.
void OfferHostObject();
// Takes the offered object out of the table again (no conversation takes it from then on).
void WithdrawHostObject();
