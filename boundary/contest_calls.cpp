#include "boundary/plugin_calls.h"
#include "engine/add_qso.h"
#include "engine/call_check.h"
#include "engine/remove_qso.h"

namespace {

QsoInput InputOf(const QsoArguments& args) {
    QsoInput qso;
    qso.myCall = args.myCall;
    qso.call = args.call;
    qso.time = args.time;
    qso.frequencyHz = args.frequencyHz;
    qso.mode = args.mode;
    qso.rstSent = args.rstSent;
    qso.rstReceived = args.rstReceived;
    qso.exchSent = args.exchSent;
    qso.exchReceived = args.exchReceived;
    qso.country = args.country;
    qso.extra = args.extra;
    qso.band = args.band;
    return qso;
}

}  // namespace

int AddQso(PluginState& state, const QsoArguments& args, FileStore& files) {
    return AddQsoToLog(state.contest, InputOf(args), files);
}

int RemoveQso(PluginState& state, const QsoArguments& args, Platform& platform, FileStore& files) {
    RemoveQsoFromLog(state.contest, InputOf(args), platform, files);
    return 1;
}

// The refresh request goes out whatever the answer.
int CheckCall(PluginState& state, const CallCheckArguments& args, Platform& platform) {
    RequestWindowRefresh(state.refreshReady, platform);
    CallCheckQuery query{args.call, args.mode, args.country, args.band, args.band2};
    return CallCheckAnswer(state.contest.qsoLog, state.hostVersion, query);
}

int IsValidExchange(std::string_view exchange, std::string_view country) {
    return ExchangeIsValid(exchange, country) ? 1 : 0;
}
