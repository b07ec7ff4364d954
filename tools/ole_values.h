#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "windows/com_handles.h"

// The ANSI <-> UTF-16 conversions the host's texts go through, for the tools that play the host.
// The owning COM pointer, string and variant are the plug-in's own (windows/com_handles.h).
namespace ole {

std::wstring Widen(const std::string& text);
std::string Narrow(const wchar_t* text, int length = -1);

// A new automation string of an ANSI text, for the receiver to free.
inline BSTR NewBstr(const std::string& text) { return Bstr(Widen(text)).release(); }

// The value as text, converted like an automation client would; "" for null, empty or a value that
// has no text form.
std::string TextOf(const VARIANT& value);

}  // namespace ole
