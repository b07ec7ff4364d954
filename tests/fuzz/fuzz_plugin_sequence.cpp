// Resets, adds, removals, call checks and results in any order, run twice side by side: once over
// files whose opens, reads, writes and renames fail whenever the input says so (and whose bad-QSO
// file another program may hold locked), once over files without faults. Holds: no crash or
// undefined behaviour; both runs give the same answers and the same summaries, since the counts
// stand as the file will once it can be written; an add that stores grows the log by one and the
// removal of the QSO just stored takes it back; the summary reads back with its totals summed; a
// Cabrillo file reported produced holds every QSO once; and after the faults end, the next results
// leave the bad-QSO and Cabrillo files exactly as the run without faults has them.
#include <algorithm>
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

// The district list stays readable: a list that cannot be read is a missing one, which would
// rightly change the answers of the run with faults.
class FaultyFileStore : public FakeFileStore {
public:
    std::optional<std::string> read(const std::string& path) override {
        if (path != kDistrictFilePath) return FakeFileStore::read(path);
        auto found = files.find(path);
        return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    // Which of the next eight operations of each kind fail, and whether the bad-QSO file is locked.
    void injectFaults(FuzzInput& in, const std::string& badQsoFile) {
        for (FileOp op : {FileOp::open, FileOp::read, FileOp::write, FileOp::rename}) {
            const std::uint8_t mask = in.byte() & in.byte();  // each operation fails one time in four
            failing[op].clear();
            for (int next = 0; next < 8; ++next)
                if (mask >> next & 1) failing[op].insert(done[op] + 1 + next);
        }
        locked.clear();
        if (in.byte() % 4 == 0) locked.insert(badQsoFile);
    }
    void endFaults() {
        failing.clear();
        locked.clear();
    }
};

struct Run {
    PluginState state;
    FakePlatform platform;
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

std::string Results(Run& run, FileStore& files) {
    const std::size_t messages = run.platform.messages.size();
    int out = 0;
    const std::string text = ProduceResults(run.state, &out, run.platform, files);
    const PluginState& state = run.state;
    if (state.htmlResults == 0)
        CheckSummaryText(text, state.cabrilloRequested == 0 && !state.contest.qsoLog.empty());
    FUZZ_CHECK(run.platform.settings["Claimed"] == std::to_string(state.claimedScore));
    // Only an export tells the operator anything, and it always does.
    FUZZ_CHECK(run.platform.messages.size() == messages + (state.cabrilloRequested != 0));
    if (state.cabrilloRequested != 0 && run.platform.messages.back().first.starts_with("File produced: "))
        FUZZ_CHECK(QsoLines(static_cast<FakeFileStore&>(files).files[state.cabrilloLog.FileName()]) ==
                   state.contest.qsoLog.count());
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    FaultyFileStore faulty;
    FakeFileStore clean;
    Run runs[2];  // over faulty, over clean
    if (in.flag()) {
        faulty.files[kDistrictFilePath] = clean.files[kDistrictFilePath] = "KV05 - Kyiv\r\nLV12 - Lviv\r\nab-\r\n-XX\r\n";
    }
    auto both = [&](auto call) {
        const auto answer = call(runs[0], static_cast<FileStore&>(faulty));
        FUZZ_CHECK(call(runs[1], static_cast<FileStore&>(clean)) == answer);
        return answer;
    };

    for (int step = 0; step < 48 && !in.empty(); ++step) {
        faulty.injectFaults(in, runs[0].state.contest.badQsoFileName);
        const std::size_t before = runs[0].state.contest.qsoLog.count();
        switch (in.byte() % 6) {
            case 0: {
                ResetArguments args;
                const std::string myCall = in.flag() ? in.text(8) : "UR3EE";
                args.myCall = myCall;
                args.cabrilloRequest = in.flag();
                args.contestStart = in.date();
                args.contestEnd = in.date();
                args.ownCountryPrefix = in.pick({"UR", "DL", ""});
                const bool confirmed = in.flag(), html = in.flag();
                both([&](Run& run, FileStore& files) {
                    run.platform.dialogAnswer = confirmed;
                    RunStatisticsReset(run.state, args, run.platform, files);
                    run.state.htmlResults = html;
                    return run.state.contest.qsoLog.count();
                });
                FUZZ_CHECK(runs[0].state.contest.qsoLog.empty());
                break;
            }
            case 1:
            case 2: {
                const QsoFields qso = NextQso(in);
                const int stored = both([&](Run& run, FileStore& files) { return AddQso(run.state, qso.input(run.state.myCall), files); });
                FUZZ_CHECK(runs[0].state.contest.qsoLog.count() == before + static_cast<std::size_t>(stored));
                // Two invalid date-times never match, so only those QSOs cannot be taken back.
                if (stored == 1 && qso.time.m_status != OleDateTime::invalid && in.flag()) {
                    faulty.injectFaults(in, runs[0].state.contest.badQsoFileName);
                    both([&](Run& run, FileStore& files) { return RemoveQso(run.state, qso.input(run.state.myCall), run.platform, files); });
                    FUZZ_CHECK(runs[0].state.contest.qsoLog.count() == before);
                }
                break;
            }
            case 3: {
                const QsoFields qso = NextQso(in);
                both([&](Run& run, FileStore& files) { return RemoveQso(run.state, qso.input(run.state.myCall), run.platform, files); });
                FUZZ_CHECK(runs[0].state.contest.qsoLog.count() + 1 >= before);
                break;
            }
            case 4: {
                const QsoFields qso = NextQso(in);
                const std::optional<std::string_view> band2 = in.flag() ? std::optional<std::string_view>(qso.band) : std::nullopt;
                const int answer = both([&](Run& run, FileStore&) {
                    return CheckCall(run.state, CallCheckQuery{qso.call, qso.mode, qso.country, qso.band, band2}, run.platform);
                });
                FUZZ_CHECK(answer == kCallDuplicate || answer == kCallAccepted || answer == kCallNotValid);
                break;
            }
            case 5:
                both([&](Run& run, FileStore& files) { return Results(run, files); });
                break;
        }
        FUZZ_CHECK(runs[0].state.contest.qsoLog.count() == runs[1].state.contest.qsoLog.count());
    }

    // Once the faults end, the next results catch up with everything that waited.
    faulty.endFaults();
    both([&](Run& run, FileStore& files) { return Results(run, files); });
    const PluginState& state = runs[0].state;
    // The finding lines; the header says whether a removal rewrote the file, which a removal with
    // no lines to drop need not do once it had to wait.
    auto findings = [&](FakeFileStore& files) {
        const std::string& text = files.files[state.contest.badQsoFileName];
        return text.substr(std::min(text.size(), text.find('\n') + 1));
    };
    FUZZ_CHECK(findings(faulty) == findings(clean));
    // An export that failed was reported; only the export of these results must be whole.
    if (state.cabrilloRequested != 0)
        FUZZ_CHECK(faulty.files[state.cabrilloLog.FileName()] == clean.files[state.cabrilloLog.FileName()]);
    return 0;
}
