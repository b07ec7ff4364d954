// Resets, adds, removals, call checks and results in any order, over files whose writes, reads
// and appends fail whenever the input says so. Holds: no crash or undefined behaviour; an add
// that stores grows the log by one and a rejection leaves it; the removal of the QSO just stored
// takes the log back to its size before; the summary reads back with its totals summed; the
// Cabrillo file, when written, holds every QSO of the log.
#include <cstddef>
#include <cstdint>
#include <string>

#include "boundary/plugin_calls.h"
#include "boundary/statistics_reset.h"
#include "engine/district_list.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/summary_check.h"
#include "support/fakes.h"

namespace {

// The in-memory files with faults chosen by the input before each call.
class FaultyFileStore : public FakeFileStore {
public:
    std::uint8_t faults = 0;  // bit 0 reads, bit 1 replaces, bit 2 appends
    std::string lastReplaced;

    std::optional<std::string> read(const std::string& path) override {
        if (faults & 1) return std::nullopt;
        return FakeFileStore::read(path);
    }
    bool replace(const std::string& path, std::string_view content) override {
        if (faults & 2) return false;
        lastReplaced = path;
        return FakeFileStore::replace(path, content);
    }
    bool append(const std::string& path, std::string_view content) override {
        if (faults & 4) return false;
        return FakeFileStore::append(path, content);
    }
};

struct QsoFields {
    std::string call, mode, band, rstSent, rstReceived, exchSent, exchReceived, country;
    OleDateTime time;
    unsigned frequencyHz = 0;

    QsoInput input(std::string_view myCall) const {
        return QsoInput{myCall, call, time, frequencyHz, mode, rstSent, rstReceived,
                        exchSent, exchReceived, country, "", band};
    }
};

QsoFields NextQso(FuzzInput& in) {
    QsoFields q;
    q.call = in.flag() ? std::string(in.pick({"UR5AB", "UT7QF", "DL1ABC", "K1ZZ", "ur5ab", ""})) : in.text(8);
    q.mode = in.pick({"CW", "SSB", "RTTY", "BPSK62", "QPSK125", "cw", "FM", ""});
    q.band = in.pick({"160m", "80m", "40m", "160M", "20m", ""});
    q.rstSent = in.pick({"599", "59", ""});
    q.rstReceived = in.pick({"579", "57", ""});
    q.exchSent = in.pick({"KV05", "001", ""});
    q.exchReceived = in.flag() ? std::string(in.pick({"KV05", "kv05", " LV12 ", "AB1C", "0123", "599", "12"}))
                               : in.text(6);
    q.country = in.pick({"UR", "UA", "DL", "K", "I", ""});
    q.time = in.date();
    q.frequencyHz = in.flag() ? 3500000u + in.byte() * 1000u : in.byte() * 65536u;
    return q;
}

std::size_t QsoLines(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\nQSO: "); at != std::string::npos; at = text.find("\r\nQSO: ", at + 1))
        ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    FaultyFileStore files;
    FakePlatform platform;
    PluginState state;
    if (in.flag()) files.files[kDistrictFilePath] = "KV05 - Kyiv\r\nLV12 - Lviv\r\nab-\r\n-XX\r\n";

    std::size_t messages = 0;  // only an export tells the operator anything, and it always does
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        files.faults = in.byte() & 7;
        const std::size_t before = state.contest.qsoLog.count();
        switch (in.byte() % 6) {
            case 0: {
                ResetArguments args;
                const std::string myCall = in.flag() ? in.text(8) : "UR3EE";
                args.myCall = myCall;
                args.cabrilloRequest = in.flag();
                args.contestStart = in.date();
                args.contestEnd = in.date();
                args.ownCountryPrefix = in.pick({"UR", "DL", ""});
                platform.dialogAnswer = in.flag();
                RunStatisticsReset(state, args, platform, files);
                FUZZ_CHECK(state.contest.qsoLog.empty());
                state.htmlResults = in.flag();
                break;
            }
            case 1:
            case 2: {
                const QsoFields qso = NextQso(in);
                const int stored = AddQso(state, qso.input(state.myCall), files);
                FUZZ_CHECK(state.contest.qsoLog.count() == before + static_cast<std::size_t>(stored));
                // Two invalid date-times never match, so only those QSOs cannot be taken back.
                if (stored == 1 && qso.time.m_status != OleDateTime::invalid && in.flag()) {
                    files.faults = in.byte() & 7;
                    RemoveQso(state, qso.input(state.myCall), platform, files);
                    FUZZ_CHECK(state.contest.qsoLog.count() == before);
                }
                break;
            }
            case 3: {
                const QsoFields qso = NextQso(in);
                RemoveQso(state, qso.input(state.myCall), platform, files);
                FUZZ_CHECK(state.contest.qsoLog.count() <= before && state.contest.qsoLog.count() + 1 >= before);
                break;
            }
            case 4: {
                const QsoFields qso = NextQso(in);
                const int answer = CheckCall(state, CallCheckQuery{qso.call, qso.mode, qso.country, qso.band,
                                                                   in.flag() ? std::optional<std::string_view>(qso.band)
                                                                             : std::nullopt},
                                             platform);
                FUZZ_CHECK(answer == kCallDuplicate || answer == kCallAccepted || answer == kCallNotValid);
                break;
            }
            case 5: {
                files.lastReplaced.clear();
                int out = 0;
                const char* text = ProduceResults(state, &out, platform, files);
                FUZZ_CHECK(text == state.resultText.c_str());
                if (state.htmlResults == 0) {
                    const std::int64_t total =
                        CheckSummaryText(text, state.cabrilloRequested == 0 && !state.contest.qsoLog.empty());
                    FUZZ_CHECK(total >= 0 && static_cast<std::size_t>(total) <= state.contest.qsoLog.count());
                }
                FUZZ_CHECK(platform.settings["Claimed"] == std::to_string(state.claimedScore));
                messages += state.cabrilloRequested != 0;
                const std::string cabrillo = state.cabrilloLog.FileName();
                if (state.cabrilloRequested != 0 && files.lastReplaced == cabrillo)
                    FUZZ_CHECK(QsoLines(files.files[cabrillo]) == state.contest.qsoLog.count());
                break;
            }
        }
        FUZZ_CHECK(platform.messages.size() == messages);
    }
    return 0;
}
