#include "boundary/plugin_calls.h"
#include "engine/add_qso.h"
#include "engine/call_check.h"
#include "engine/remove_qso.h"

int AddQso(PluginState& state, const QsoInput& args, FileStore& files) {
    return AddQsoToLog(state.contest, args, files);
}

int RemoveQso(PluginState& state, const QsoInput& args, Platform& platform, FileStore& files) {
    RemoveQsoFromLog(state.contest, args, platform, files);
    return 1;
}

// The refresh request goes out whatever the answer.
int CheckCall(PluginState& state, const CallCheckQuery& args, Platform& platform) {
    RequestWindowRefresh(state.refreshReady, platform);
    return CallCheckAnswer(state.contest.qsoLog, state.hostVersion, args);
}

int IsValidExchange(std::string_view exchange, std::string_view country) {
    return ExchangeIsValid(exchange, country) ? 1 : 0;
}
