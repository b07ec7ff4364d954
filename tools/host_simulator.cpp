// Plays the host's part against Stats.dll: loads the library, binds its exports by name, resets
// the statistics and replays a contest script through the exports, answering the plug-in's
// dialogs like an operator would. Prints what the plug-in answers.
//
//   host_simulator <Stats.dll> <contest script> [--html] [--cabrillo <header values file>]
//                  [--results <file>] [--live]
//
// With --live the host's automation object is there for the whole run (tools/fake_host.h) and the
// plug-in's ini file asks for a fresh start of its operator windows, which then follow what the
// script types into the host.
//
// Script lines (fields separated by ';', '#' starts a comment):
//   MYCALL <call>    MYPREFIX <prefix>    START <yyyy-mm-dd hh:mm>    END <yyyy-mm-dd hh:mm>
//   QSO <yyyy-mm-dd hh:mm>;<call>;<Hz>;<mode>;<band>;<rst sent>;<exch sent>;<rst rcvd>;<exch rcvd>;<country>
//   REMOVE <same fields as QSO>
//   CHECK <call>;<mode>;<band>;<country>
//   RESULTS          asks for the results (not printed), as the host does after logging a QSO
// Live runs only:
//   TYPE <call>;<mode>;<band>;<country>   types the call into the host's entry field letter by
//                    letter, with a call check after each letter
//   FREQ <Hz>    MODE <name>    the host's frequency and mode
//   WAIT <ms>    SHOT <file.png>   a PNG of the operator windows
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "boundary/stats_api.h"
#include "tools/fake_host.h"
#include "tools/ole_values.h"
#include "tools/screenshot.h"
#include "checker/log_check.h"

namespace {

struct Options {
    std::string dllPath, scriptPath, headerPath, resultsPath;
    bool html = false;
    bool cabrillo = false;
    bool live = false;
};

struct Script {
    std::string myCall = "UT1AA", myPrefix = "UR";
    OleDateTime start, end;
    struct Step {
        std::string verb;
        std::vector<std::string> fields;
        int line;
    };
    std::vector<Step> steps;
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

OleDateTime ParseDate(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0;
    if (std::sscanf(text.c_str(), "%d-%u-%u %u:%u", &year, &month, &day, &hour, &minute) != 5)
        throw std::runtime_error("bad date-time: " + text);
    return MakeOleDate(year, month, day, hour, minute);
}

Script ReadScript(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    Script script;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        auto space = line.find(' ');
        std::string verb = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (verb == "MYCALL") script.myCall = rest;
        else if (verb == "MYPREFIX") script.myPrefix = rest;
        else if (verb == "START") script.start = ParseDate(rest);
        else if (verb == "END") script.end = ParseDate(rest);
        else script.steps.push_back({verb, Split(rest, ';'), number});
    }
    return script;
}

template <typename Pointer>
Pointer Bind(HMODULE module, const char* name) {
    auto pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!pointer) throw std::runtime_error(std::string("the plug-in does not export ") + name);
    return pointer;
}

// Answers the plug-in's modal windows from a thread of its own while the host's thread waits in
// an export: fills the Cabrillo header dialog and confirms it, reads and closes message boxes. The
// operator windows are left alone.
class OperatorStandIn {
public:
    explicit OperatorStandIn(std::map<int, std::string> headerValues)
        : m_headerValues(std::move(headerValues)), m_thread([this] { run(); }) {}
    ~OperatorStandIn() {
        m_stop = true;
        m_thread.join();
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[32] = "";
        GetClassNameA(window, className, sizeof className);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(className) == "#32770" &&
            !IsOperatorWindow(window)) {
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
        char className[32] = "", text[1024] = "";
        GetClassNameA(child, className, sizeof className);
        GetWindowTextA(child, text, sizeof text);
        if (lstrcmpiA(className, "Static") == 0 && text[0]) std::cout << "[message box] " << text << "\n";
        return TRUE;
    }

    void answer(HWND dialog) {
        char title[128] = "";
        GetWindowTextA(dialog, title, sizeof title);
        if (std::string(title) == "ZELK CONTEST") {
            for (const auto& [id, value] : m_headerValues) SetDlgItemTextA(dialog, id, value.c_str());
            std::cout << "[operator] filled the Cabrillo header and pressed OK\n";
        } else {
            EnumChildWindows(dialog, PrintStatic, 0);
        }
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        // Wait until this dialog is gone before looking for the next one.
        for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
    }

    void run() {
        while (!m_stop) {
            HWND dialog = nullptr;
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) answer(dialog);
            else Sleep(20);
        }
    }

    std::map<int, std::string> m_headerValues;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Header values by control id of the Cabrillo dialog, from a header values file.
std::map<int, std::string> ReadHeaderValues(const std::string& path) {
    static const std::map<std::string, int, std::less<>> kControlIds = {
        {"Contest", 1009}, {"Callsign", 1010}, {"Claimed", 1008}, {"Category", 1013},
        {"Name", 1007},    {"Address", 1002},  {"Operators", 1006}, {"Club", 1005},
        {"SoapBox", 1001}, {"Email", 1004}};
    std::map<int, std::string> values;
    if (path.empty()) return values;
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (auto& [key, value] : ParseHeaderValues(text)) values[kControlIds.find(key)->second] = std::move(value);
    return values;
}

stats_api::Qso QsoOf(const Script& script, const Script::Step& step) {
    if (step.fields.size() < 10) throw std::runtime_error("line " + std::to_string(step.line) + ": 10 fields expected");
    const auto& f = step.fields;
    stats_api::Qso qso;
    qso.myCall = script.myCall.c_str();
    qso.time = ParseDate(f[0]);
    qso.call = f[1].c_str();
    qso.frequencyHz = static_cast<unsigned>(std::stoul(f[2]));
    qso.mode = f[3].c_str();
    qso.band = f[4].c_str();
    qso.rstSent = f[5].c_str();
    qso.exchSent = f[6].c_str();
    qso.rstReceived = f[7].c_str();
    qso.exchReceived = f[8].c_str();
    qso.country = f[9].c_str();
    return qso;
}

const char* CheckMeaning(int answer) {
    return answer == 0 ? "duplicate" : answer == 4 ? "not valid in the contest" : "ok";
}

// What an operator starting fresh leaves in the plug-in's ini file: the windows open at the next
// reset with both list windows, tiled on a 1024 x 768 screen (previous QSOs and the setup window
// side by side, the district grid below).
void PrepareFreshStart(const std::string& folder) {
    static const std::pair<const char*, const char*> kKeys[] = {
        {"setup_view_zelk", "1"}, {"setup_view_prev_qso", "1"}, {"prev_x", "10"}, {"prev_y", "10"},
        {"setup_x", "540"},       {"setup_y", "10"},            {"zelk_x", "10"}, {"zelk_y", "250"}};
    const std::string ini = folder + "\\Plugins\\ZELK.ini";
    bool written = WritePrivateProfileStringA("Settings", "Start", nullptr, ini.c_str());
    for (const auto& [key, value] : kKeys) written = WritePrivateProfileStringA("Settings", key, value, ini.c_str()) && written;
    if (!written) throw std::runtime_error("cannot write " + ini);
}

std::string Utf8Title(HWND window) {
    wchar_t title[256] = L"";
    int length = GetWindowTextW(window, title, 256);
    std::string text(static_cast<std::size_t>(length) * 3, '\0');
    text.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, title, length, text.data(), static_cast<int>(text.size()), nullptr, nullptr)));
    return text;
}

// Whether the middle of the window's client area shows on the screen as painted (the X server shows
// a paint a moment after it).
bool ShownOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    HDC dc = GetDC(window);
    const COLORREF painted = GetPixel(dc, middle.x, middle.y);
    ReleaseDC(window, dc);
    ClientToScreen(window, &middle);
    HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, middle.x, middle.y);
    ReleaseDC(nullptr, screen);
    return painted == shown;
}

// A PNG of the operator windows shown now, with their captions; false when it could not be saved.
// The last refresh asks the host and repaints on the windows' thread: it is let finish first.
bool SaveOperatorWindows(const std::string& file, const FakeHost* host) {
    if (host) host->waitUntilNoCallInFlight(5000);
    std::vector<HWND> windows = OperatorWindows();
    for (HWND window : windows) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000 &&
           !std::all_of(windows.begin(), windows.end(), [](HWND window) { return ShownOnScreen(window); }))
        Sleep(10);
    if (windows.empty()) {
        std::cout << "Screenshot " << file << ": no operator window is shown, nothing saved\n";
        return true;
    }
    std::vector<std::pair<RECT, HWND>> placed;
    for (HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        placed.push_back({rect, window});
    }
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first.top, a.first.left) < std::pair(b.first.top, b.first.left);
    });
    for (const auto& [rect, window] : placed)
        std::cout << "  window \"" << Utf8Title(window) << "\" at " << rect.left << "," << rect.top << "\n";
    const RECT area = UnionOfWindows(windows, 8);
    std::string error;
    if (!SaveScreenPng(area, ole::Widen(file), &error)) {
        std::cerr << "host_simulator: screenshot " << file << ": " << error << "\n";
        return false;
    }
    std::cout << "Screenshot of the operator windows: " << file << " (" << area.right - area.left << " x "
              << area.bottom - area.top << " px)\n";
    return true;
}

int Run(const Options& options) {
    Script script = ReadScript(options.scriptPath);

    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string iniPrefix = std::string(folder) + "\\";

    // Before the library: the host's object outlives the plug-in's hold on it.
    std::optional<FakeHost> host;
    if (options.live) {
        PrepareFreshStart(folder);
        host.emplace();
        host->setModeFollowsMacros(true);
    }

    HMODULE module = LoadLibraryA(options.dllPath.c_str());
    if (!module) throw std::runtime_error("cannot load " + options.dllPath);

    auto setVersion = Bind<stats_api::SetVersion>(module, "setVersion");
    auto getSetName = Bind<stats_api::GetSetName>(module, "GetSetName");
    auto reset = Bind<stats_api::ResetStats0>(module, "ResetStats0");
    auto add = Bind<stats_api::AddData0>(module, "AddData0");
    auto remove = Bind<stats_api::RemoveData0>(module, "RemoveData0");
    auto check = Bind<stats_api::CheckCallFunc0>(module, "CheckCall0");
    auto results = Bind<stats_api::GetResult0>(module, "GetResult0");

    std::cout << "Plug-in: " << getSetName(0) << "\n";
    if (options.html) setVersion("2.20");

    OperatorStandIn operatorStandIn(ReadHeaderValues(options.headerPath));
    stats_api::CallReset(reset, iniPrefix.c_str(), options.cabrillo ? 1 : 0, script.myCall.c_str(),
                         script.start, script.end, script.myPrefix.c_str());

    int stored = 0, rejected = 0, removed = 0;
    bool failed = false;
    for (const auto& step : script.steps) {
        const auto& f = step.fields;
        const bool needsHost = step.verb == "TYPE" || step.verb == "FREQ" || step.verb == "MODE";
        if (needsHost && !host) {
            std::cerr << "line " << step.line << ": " << step.verb << " needs --live\n";
        } else if (step.verb == "QSO") {
            (stats_api::CallWithQso(add, QsoOf(script, step)) ? stored : rejected)++;
        } else if (step.verb == "REMOVE") {
            stats_api::CallWithQso(remove, QsoOf(script, step));
            ++removed;
        } else if (step.verb == "CHECK" && f.size() >= 4) {
            int answer = stats_api::CallCheck(check, f[0].c_str(), f[1].c_str(), f[3].c_str(), f[2].c_str(),
                                              f[2].c_str());
            std::cout << "Check " << f[0] << " " << f[2] << " " << f[1] << ": " << answer << " ("
                      << CheckMeaning(answer) << ")\n";
        } else if (step.verb == "TYPE" && f.size() >= 4) {
            // The host checks the call after every key; the windows refresh on their own thread.
            int answer = 1;
            for (std::size_t length = 1; length <= f[0].size(); ++length) {
                const std::string typed = f[0].substr(0, length);
                host->setEntryField(typed);
                answer = stats_api::CallCheck(check, typed.c_str(), f[1].c_str(), f[3].c_str(), f[2].c_str(),
                                              f[2].c_str());
                Sleep(60);
            }
            std::cout << "Typed " << f[0] << " " << f[2] << " " << f[1] << ": " << answer << " ("
                      << CheckMeaning(answer) << ")\n";
        } else if (step.verb == "FREQ" && f.size() == 1) {
            host->setFrequency(std::stod(f[0]));
        } else if (step.verb == "MODE" && f.size() == 1) {
            host->setMode(f[0]);
        } else if (step.verb == "WAIT" && f.size() == 1) {
            Sleep(static_cast<DWORD>(std::stoul(f[0])));
        } else if (step.verb == "RESULTS") {
            int out = 0;
            results(&out);
        } else if (step.verb == "SHOT" && f.size() == 1) {
            failed = !SaveOperatorWindows(f[0], host ? &*host : nullptr) || failed;
        } else {
            std::cerr << "line " << step.line << ": unknown step " << step.verb << "\n";
        }
    }
    std::cout << "QSOs stored: " << stored << ", rejected: " << rejected << ", removed: " << removed << "\n\n";

    int out = 0;
    const char* text = results(&out);
    std::string summary = text ? text : "";
    std::cout << summary << (summary.empty() || summary.back() == '\n' ? "" : "\n");
    if (out == -1) std::cout << "(the plug-in exported its Cabrillo log)\n";
    if (!options.resultsPath.empty()) std::ofstream(options.resultsPath, std::ios::binary) << summary;

    FreeLibrary(module);
    if (host) {
        std::cout << "Host received macros:";
        for (const auto& macro : host->macros()) std::cout << " " << macro;
        std::cout << "\n";
    }
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--html") options.html = true;
        else if (arg == "--cabrillo" && i + 1 < argc) {
            options.cabrillo = true;
            options.headerPath = argv[++i];
        } else if (arg == "--results" && i + 1 < argc) options.resultsPath = argv[++i];
        else if (arg == "--live") options.live = true;
        else positional.push_back(arg);
    }
    if (positional.size() != 2) {
        std::cerr << "usage: host_simulator <Stats.dll> <contest script> [--html] [--cabrillo <header file>] "
                     "[--results <file>] [--live]\n";
        return 2;
    }
    options.dllPath = positional[0];
    options.scriptPath = positional[1];
    try {
        return Run(options);
    } catch (const std::exception& error) {
        std::cerr << "host_simulator: " << error.what() << "\n";
        return 1;
    }
}
