// What a host shaped like a real Windows logger feels when the operator windows open and when the
// library goes: its automation object registered from its own UI thread (a single-threaded
// apartment, served only while that thread takes its messages), and every export and FreeLibrary
// called from that thread. Each cycle loads the library, times the ResetStats0 that opens the
// windows and, after the windows have settled or with a refresh waiting for the host, the
// FreeLibrary; then it counts how long, taking its messages, it waits until the windows and the
// library are gone.
//
//   gui_host_bench [--cycles N] [--dll PATH]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "boundary/stats_api.h"
#include "engine/ole_date.h"
#include "tools/fake_host.h"
#include "tools/screenshot.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Pointer>
Pointer Bind(HMODULE module, const char* name) {
    auto pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!pointer) throw std::runtime_error(std::string("Stats.dll does not export ") + name);
    return pointer;
}

template <typename Condition>
bool PumpUntil(Condition condition, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (Clock::now() > end) return false;
        PumpHostMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
    return true;
}

struct Times {
    std::vector<double> reset, unload, gone;
};

void PrintRow(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) return;
    std::printf("  %-44s %6zu %10.1f %10.1f\n", what, ms.size(), ms[ms.size() / 2], ms.back());
}

void Cycle(const std::string& dllPath, FakeHost& host, bool refreshWaiting, Times& times) {
    WritePrivateProfileStringA("Settings", "Start", "0", ".\\Plugins\\ZELK.ini");
    HMODULE module = LoadLibraryA(dllPath.c_str());
    if (!module) throw std::runtime_error("cannot load " + dllPath + " (error " + std::to_string(GetLastError()) + ")");
    const auto reset = Bind<stats_api::ResetStats0>(module, "ResetStats0");
    const auto check = Bind<stats_api::CheckCallFunc0>(module, "CheckCall0");

    auto start = Clock::now();
    stats_api::CallReset(reset, "", 0, "UT1AA", MakeOleDate(2017, 5, 5), MakeOleDate(2017, 5, 6), "DL");
    times.reset.push_back(MillisecondsSince(start));
    // The windows open and settle while the host takes its messages.
    const int modes = host.callCount(FakeHost::getMode);
    if (!PumpUntil([&] { return OperatorWindows().size() >= 3 && host.callCount(FakeHost::getMode) > modes; }, 20000))
        throw std::runtime_error("the operator windows did not open");
    PumpUntil([] { return false; }, 100);
    if (refreshWaiting) {
        host.setEntryField("UR5ABC");
        stats_api::CallCheck(check, "UR5ABC", "CW", "UR", "80m", "80m");
        host.setBlocked(true);
        host.waitForCallWaiting(2000);
    }

    start = Clock::now();
    FreeLibrary(module);
    times.unload.push_back(MillisecondsSince(start));
    host.setBlocked(false);
    start = Clock::now();
    if (!PumpUntil([] { return OperatorWindows().empty() && !GetModuleHandleW(L"Stats.dll"); }, 20000))
        throw std::runtime_error("the windows or the library stayed after the unload");
    times.gone.push_back(MillisecondsSince(start));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        int cycles = 10;
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string folder(path);
        folder = folder.substr(0, folder.find_last_of("\\/"));
        std::string dllPath = folder + "\\Stats.dll";
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--cycles" && i + 1 < argc) cycles = std::stoi(argv[++i]);
            else if (arg == "--dll" && i + 1 < argc) dllPath = argv[++i];
            else throw std::runtime_error("usage: gui_host_bench [--cycles N] [--dll PATH]");
        }
        const std::string contest = folder + "\\gui-host-bench";
        CreateDirectoryA(contest.c_str(), nullptr);
        CreateDirectoryA((contest + "\\Plugins").c_str(), nullptr);
        SetCurrentDirectoryA(contest.c_str());
        for (const char* key : {"setup_view_prev_qso", "setup_view_zelk"})
            WritePrivateProfileStringA("Settings", key, "1", ".\\Plugins\\ZELK.ini");

        FakeHost host(FakeHost::Kind::gui);
        host.setModeFollowsMacros(true);
        host.setFrequency(3550000.0);
        Times idle, waiting;
        for (int i = 0; i < cycles; ++i) {
            Cycle(dllPath, host, false, idle);
            Cycle(dllPath, host, true, waiting);
        }
        std::printf("GUI host, %d cycles each; milliseconds on the host's thread\n", cycles);
        std::printf("  %-44s %6s %10s %10s\n", "", "calls", "p50", "max");
        PrintRow("ResetStats0 opening the windows", idle.reset);
        PrintRow("FreeLibrary, windows open and idle", idle.unload);
        PrintRow("FreeLibrary, a refresh waiting for the host", waiting.unload);
        PrintRow("then pumping until windows and library gone", idle.gone);
        PrintRow("  the same after a refresh was waiting", waiting.gone);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gui_host_bench: %s\n", error.what());
        return 2;
    }
}
