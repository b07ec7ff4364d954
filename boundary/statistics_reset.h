#pragma once

#include <string_view>

#include "boundary/plugin_state.h"
#include "engine/file_store.h"
#include "engine/ole_date.h"
#include "engine/platform.h"

struct ResetArguments {
    std::string_view hostIniPrefix;
    int cabrilloRequest = 0;
    std::string_view myCall;
    OleDateTime contestStart;
    OleDateTime contestEnd;
    std::string_view ownCountryPrefix;
};

inline constexpr const char* kHostIniName = "Vexl2.ini";
inline constexpr const char* kDefaultHostVersion = "Vexl";

// Starts a new contest evaluation: dates, host version, district list, empty log, previous-QSO
// rows, interface language, export request, the one-shot window switch and the bad-QSO file.
void RunStatisticsReset(PluginState& state, const ResetArguments& args, Platform& platform,
                        FileStore& files);

// The host's version text from its ini file, or the previous text when the file holds none.
std::string ReadHostVersion(std::string_view hostIniPrefix, const std::string& previous,
                            Platform& platform, FileStore& files);
