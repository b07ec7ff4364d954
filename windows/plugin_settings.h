#pragma once

#include <string>
#include <string_view>

// The plug-in's settings: the section "Settings" of "Plugins\ZELK.ini", relative to the process's
// current directory, through the system's profile functions.
inline constexpr const char* kIniSection = "Settings";
inline constexpr const char* kIniPath = "Plugins\\ZELK.ini";

// The value of the key, whole however long; the fallback when the key is missing.
std::string ReadPluginSetting(std::string_view key, std::string_view fallback);
// Writes the value so that a later read gives it back exactly (blanks and quotes around it kept).
void WritePluginSetting(std::string_view key, std::string_view value);
