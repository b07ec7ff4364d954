#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "engine/bad_qso_file.h"
#include "engine/contest_state.h"
#include "engine/file_store.h"
#include "engine/platform.h"
#include "engine/qso_input.h"

// Files in memory, so that the benchmarks measure the engine and not the disk.
class MemoryFileStore final : public FileStore {
public:
    std::map<std::string, std::string> files;

    std::optional<std::string> read(const std::string& path) override {
        auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool replace(const std::string& path, std::string_view content) override {
        files[path] = std::string(content);
        return true;
    }
    bool append(const std::string& path, std::string_view content) override {
        files[path] += content;
        return true;
    }
};

// A platform with no window thread and no settings.
class QuietPlatform final : public Platform {
public:
    std::string readSetting(std::string_view, std::string_view fallback) override { return std::string(fallback); }
    void writeSetting(std::string_view, std::string_view) override {}
    void showMessage(std::string_view, std::string_view, MessageKind) override {}
    std::vector<std::string> listFiles(std::string_view) override { return {}; }
    bool setupWindowOpen() override { return false; }
    void startSetupThread() override {}
    void postRefresh() override {}
    bool runHeaderDialog(HeaderDialogValues&) override { return false; }
};

// A QSO with owned texts, as a host would log it.
struct OwnedQso {
    std::string call, band, mode, exchReceived, exchSent = "001", country;
    OleDateTime time;
    unsigned frequencyHz = 0;

    QsoInput input() const {
        QsoInput qso;
        qso.myCall = "UR5AA";
        qso.call = call;
        qso.time = time;
        qso.frequencyHz = frequencyHz;
        qso.mode = mode;
        qso.rstSent = "599";
        qso.rstReceived = "599";
        qso.exchSent = exchSent;
        qso.exchReceived = exchReceived;
        qso.country = country;
        qso.band = band;
        return qso;
    }
};

inline constexpr const char* kBenchBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";

// A contest of `count` QSOs: distinct calls on three bands and two modes, one in twenty a repeat
// of an earlier call (a dupe), a third of them from "UR" stations sending district codes, a few
// of those unknown.
std::vector<OwnedQso> MakeContest(std::size_t count, unsigned seed = 1);

// A state after a reset with the district list loaded and the bad-QSO file created.
void PrepareBenchState(ContestState& state, MemoryFileStore& files);

// The lookups the engine's indexes replace, written as plain scans over the log.
std::size_t LinearCountMatching(const QsoLog& log, std::string_view call, std::string_view band,
                                std::string_view mode);
std::optional<std::size_t> LinearRemovalMatch(const QsoLog& log, std::string_view call, std::string_view band,
                                              std::string_view mode, const OleDateTime& time);

// Heap bytes in use (glibc) and the resident set size, for the memory counters; 0 where unknown.
std::size_t HeapBytesInUse();
std::size_t ResidentBytes();
