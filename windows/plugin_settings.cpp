#include "windows/plugin_settings.h"

#include <windows.h>

namespace {

// The profile functions drop blanks around a value and one pair of enclosing quotes when they read
// it. A value that would lose something that way is written inside double quotes, which the read
// then takes off again; any other value is written as it is.
std::string ProfileText(std::string_view value) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    auto isQuote = [](char c) { return c == '"' || c == '\''; };
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                (value.size() >= 2 && isQuote(value.front()) &&
                                                 value.back() == value.front()));
    return needsQuotes ? '"' + std::string(value) + '"' : std::string(value);
}

}  // namespace

std::string ReadPluginSetting(std::string_view key, std::string_view fallback) {
    const std::string keyText(key), fallbackText(fallback);
    std::string buffer(128, '\0');
    for (;;) {
        DWORD got = GetPrivateProfileStringA(kIniSection, keyText.c_str(), fallbackText.c_str(),
                                             buffer.data(), static_cast<DWORD>(buffer.size()), kIniPath);
        // A value that filled the buffer may have been cut: read again with more room.
        if (got + 1 < buffer.size()) {
            buffer.resize(got);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

void WritePluginSetting(std::string_view key, std::string_view value) {
    WritePrivateProfileStringA(kIniSection, std::string(key).c_str(), ProfileText(value).c_str(), kIniPath);
}
