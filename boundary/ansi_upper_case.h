#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// District codes upper-cased as the system does it: CharUpperBuffA on a copy, which follows the
// ANSI code page and leaves the trail bytes of double-byte characters alone.
inline std::string UpperCaseInAnsiCodePage(std::string_view text) {
    std::string upper(text);
    if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}
