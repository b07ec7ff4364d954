#pragma once

#include <string_view>

#include "boundary/plugin_state.h"
#include "engine/call_check.h"
#include "engine/file_store.h"
#include "engine/platform.h"
#include "engine/qso_input.h"

// What each export does with the plug-in's state, apart from marshalling its arguments.
int AddQso(PluginState& state, const QsoInput& args, FileStore& files);
int RemoveQso(PluginState& state, const QsoInput& args, Platform& platform, FileStore& files);
int CheckCall(PluginState& state, const CallCheckQuery& args, Platform& platform);
int IsValidExchange(std::string_view exchange, std::string_view country);
const char* ProduceResults(PluginState& state, int* out, Platform& platform, FileStore& files);
