#pragma once

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "windows/com_handles.h"

// The host application's automation object, taken from the running object table by its program
// id and called late-bound by dispatch id. Every call reports a host error as "no value"; while
// no object is held, calls do nothing and reads are empty.
//
// The window thread holds the object only for one conversation with the host (host_conversation.h)
// and lets go of it itself: no destructor does it, since a destructor of the library's state runs
// on the host's thread inside the loader, where a call to the host object may never be answered.
class HostAutomation {
public:
    // Looks up the running host; false when none runs. COM must be initialised on this thread.
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
