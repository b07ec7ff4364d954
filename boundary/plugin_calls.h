#pragma once

#include <optional>
#include <string_view>

#include "boundary/plugin_state.h"
#include "engine/file_store.h"
#include "engine/ole_date.h"
#include "engine/platform.h"

// The arguments of AddData0 and RemoveData0 that the plug-in looks at (a null text is empty).
struct QsoArguments {
    std::string_view myCall;        // 1
    std::string_view call;          // 2
    OleDateTime time;               // 3
    unsigned frequencyHz = 0;       // 8
    std::string_view mode;          // 9
    std::string_view rstSent;       // 10
    std::string_view rstReceived;   // 11
    std::string_view exchSent;      // 12
    std::string_view exchReceived;  // 13
    std::string_view country;       // 23
    std::string_view extra;         // 30
    std::string_view band;          // 32
};

// The arguments of CheckCallFunc0 that the plug-in looks at. The two band texts keep whether the
// host gave them at all: the agreement test only applies when both are given.
struct CallCheckArguments {
    std::string_view call;                    // 1
    std::string_view mode;                    // 4
    std::string_view country;                 // 14
    std::optional<std::string_view> band;     // 25
    std::optional<std::string_view> band2;    // 26
};

// What each export does with the plug-in's state, apart from marshalling its arguments.
int AddQso(PluginState& state, const QsoArguments& args, FileStore& files);
int RemoveQso(PluginState& state, const QsoArguments& args, Platform& platform, FileStore& files);
int CheckCall(PluginState& state, const CallCheckArguments& args, Platform& platform);
int IsValidExchange(std::string_view exchange, std::string_view country);
const char* ProduceResults(PluginState& state, int* out, Platform& platform, FileStore& files);
