#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "engine/add_qso.h"
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

// The call of station `number` (below 1,460,160) in the generated contests: "UR5ABC" style,
// mostly three letters after the digit, distinct per number.
std::string ContestCall(std::size_t number);

// A contest of `count` QSOs: distinct calls on three bands and two modes, one in twenty a repeat
// of an earlier call (a dupe), a quarter of them from "UR" stations sending one of
// kBenchDistrictCount district codes, one in four of those unknown.
std::vector<OwnedQso> MakeContest(std::size_t count, unsigned seed = 1);
inline constexpr std::size_t kBenchDistrictCount = 24;

// What an operator's typing sends: `calls` distinct calls, half of them logged (taken from the
// first `logged` QSOs of the contest) and half never logged, in random order, each typed as
// growing prefixes ("U", "UR", "UR5", ...), every keystroke with the band, mode and country of
// the QSO being entered. The same unlogged calls serve every log size.
std::vector<OwnedQso> TypingPattern(const std::vector<OwnedQso>& contest, std::size_t logged,
                                    std::size_t calls, unsigned seed = 2);

// A state after a reset with the district list loaded and the bad-QSO file created.
void PrepareBenchState(ContestState& state, MemoryFileStore& files);

// The lookups the engine's indexes replace, written as plain scans over the log.
std::size_t LinearCountMatching(const QsoLog& log, std::string_view call, std::string_view band,
                                std::string_view mode);
std::optional<std::size_t> LinearRemovalMatch(const QsoLog& log, std::string_view call, std::string_view band,
                                              std::string_view mode, const OleDateTime& time);

// The previous-QSO rows as the original refresh filled them: the whole log scanned, three row
// checks per QSO.
void LinearFillPrevRows(const QsoLog& log, std::string_view call, const std::vector<std::string>& bandNames,
                        PrevRows& rows);

inline constexpr std::size_t kBatch = 256;

// A log of `size` QSOs, then the next kBatch QSOs of the same contest to add on top of it.
struct LoggedContest {
    ContestState state;
    MemoryFileStore files;
    std::vector<OwnedQso> qsos;

    explicit LoggedContest(std::size_t size) : qsos(MakeContest(size + kBatch)) {
        PrepareBenchState(state, files);
        for (std::size_t i = 0; i < size; ++i) AddQsoToLog(state, qsos[i].input(), files);
    }
    std::size_t size() const { return qsos.size() - kBatch; }
};

// Heap bytes in use (glibc: the arena's and those mapped on their own) and the resident set size,
// for the memory counters; 0 where unknown. ReturnFreeMemoryToSystem hands the allocator's free
// pages back, so that the resident set shows what is really held.
std::size_t HeapBytesInUse();
std::size_t ResidentBytes();
void ReturnFreeMemoryToSystem();
