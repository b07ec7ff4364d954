// The functions the host binds by name. Each one marshals its arguments, takes the state lock and
// hands over to the plug-in's operations; stats.def gives each its decorated and plain name.
#include <windows.h>

#include "boundary/export_guard.h"
#include "boundary/plugin_calls.h"
#include "boundary/plugin_globals.h"
#include "boundary/statistics_reset.h"
#include "boundary/win32_platform.h"
#include "boundary/window_thread.h"

namespace {

using HostText = const char*;
using DateArg = const OleDateTime*;

Win32Platform g_platform;

// Runs an operation on the plug-in state under its lock, and posts the window refresh it asked
// for once the lock is released.
template <typename Operation>
auto WithPluginState(Operation&& operation) {
    StartPendingSetupThread();
    auto result = g_pluginState.withLock(operation);
    g_platform.postAskedRefresh();
    return result;
}

OleDateTime DateOf(DateArg value) { return value ? *value : OleDateTime{0.0, OleDateTime::null}; }

const char* const kEmptyText = "";

QsoInput QsoInputOf(HostText a1, HostText a2, DateArg a3, unsigned a8, HostText a9, HostText a10,
                    HostText a11, HostText a12, HostText a13, HostText a23, HostText a30, HostText a32) {
    QsoInput args;
    args.myCall = Text(a1);
    args.call = Text(a2);
    args.time = DateOf(a3);
    args.frequencyHz = a8;
    args.mode = Text(a9);
    args.rstSent = Text(a10);
    args.rstReceived = Text(a11);
    args.exchSent = Text(a12);
    args.exchReceived = Text(a13);
    args.country = Text(a23);
    args.extra = Text(a30);
    args.band = Text(a32);
    return args;
}

}  // namespace

extern "C" {

unsigned long Stats_setVersion(HostText) {
    return Guarded(0ul, [] {
        g_pluginState.withLock([](PluginState& state) { state.htmlResults = 1; });
        return 0ul;
    });
}

int Stats_GetNumberOfSets() { return 1; }

const char* Stats_GetSetName(int index) { return index == 0 ? "ZELK Contest" : kEmptyText; }

void Stats_SetupSet0() {
    Guarded([] { MessageBoxA(GetActiveWindow(), "No additional setup for this plugin", nullptr, MB_OK); });
}

int Stats_ResetStats0(HostText a1, int a2, HostText a3, DateArg a4, DateArg a5, HostText, HostText, HostText,
                      HostText, HostText, HostText, HostText, HostText, HostText, HostText a15, int, int, int,
                      double, double, HostText, HostText, HostText) {
    return Guarded(0, [&] {
        ResetArguments args;
        args.hostIniPrefix = Text(a1);
        args.cabrilloRequest = a2;
        args.myCall = Text(a3);
        args.contestStart = DateOf(a4);
        args.contestEnd = DateOf(a5);
        args.ownCountryPrefix = Text(a15);
        StartPendingSetupThread();
        g_pluginState.withLock([&](PluginState& state) { RunStatisticsReset(state, args, g_platform, g_files); });
        return 1;
    });
}

int Stats_AddData0(HostText a1, HostText a2, DateArg a3, DateArg, DateArg, DateArg, unsigned, unsigned a8,
                   HostText a9, HostText a10, HostText a11, HostText a12, HostText a13, HostText, HostText,
                   HostText, HostText, HostText, HostText, HostText, HostText, HostText, HostText a23, int,
                   int, int, double, double, HostText, HostText a30, HostText, HostText a32, HostText) {
    return Guarded(0, [&] {
        auto args = QsoInputOf(a1, a2, a3, a8, a9, a10, a11, a12, a13, a23, a30, a32);
        return g_pluginState.withLock([&](PluginState& state) { return AddQso(state, args, g_files); });
    });
}

int Stats_RemoveData0(HostText a1, HostText a2, DateArg a3, DateArg, DateArg, DateArg, unsigned, unsigned a8,
                      HostText a9, HostText a10, HostText a11, HostText a12, HostText a13, HostText, HostText,
                      HostText, HostText, HostText, HostText, HostText, HostText, HostText, HostText a23, int,
                      int, int, double, double, HostText, HostText a30, HostText, HostText a32, HostText) {
    return Guarded(1, [&] {
        auto args = QsoInputOf(a1, a2, a3, a8, a9, a10, a11, a12, a13, a23, a30, a32);
        return WithPluginState([&](PluginState& state) { return RemoveQso(state, args, g_platform, g_files); });
    });
}

int Stats_CheckCallFunc0(HostText a1, unsigned, unsigned, HostText a4, HostText, HostText, HostText, HostText,
                         HostText, HostText, HostText, HostText, HostText, HostText a14, int, int, int,
                         double, double, HostText, HostText, HostText, HostText, HostText, HostText a25,
                         HostText a26, char*, char*) {
    return Guarded(1, [&] {
        CallCheckQuery args;
        args.call = Text(a1);
        args.mode = Text(a4);
        args.country = Text(a14);
        if (a25) args.band = a25;
        if (a26) args.band2 = a26;
        return WithPluginState([&](PluginState& state) { return CheckCall(state, args, g_platform); });
    });
}

const char* Stats_GetResult0(int* out) {
    return Guarded(kEmptyText, [&] {
        return g_pluginState.withLock(
            [&](PluginState& state) { return ProduceResults(state, out, g_platform, g_files); });
    });
}

// Also exported as GetNumberOfSets: one function answers both.
int Stats_GetExchgCount0(HostText, HostText, HostText) { return 1; }

int Stats_IsValidExchg0(HostText a1, HostText, HostText a3, HostText, int, int, int) {
    return Guarded(0, [&] { return IsValidExchange(Text(a1), Text(a3)); });
}

}  // extern "C"
