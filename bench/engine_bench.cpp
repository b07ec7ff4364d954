// The per-call cost of adding, checking, removing and producing results at three log sizes, each
// beside a plain linear scan doing the same lookup in the same run. Findings go to an in-memory
// file store so the disk does not dominate.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "boundary/plugin_calls.h"
#include "engine/add_qso.h"
#include "engine/call_check.h"
#include "engine/remove_qso.h"

namespace {

// Adds kBatch QSOs to a log of the given size; the batch is taken off again outside the timing.
void BM_Add(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    const std::string fileBefore = contest.files.files[kBenchBadQsoFile];
    for (auto _ : bench) {
        for (std::size_t i = contest.size(); i < contest.qsos.size(); ++i)
            benchmark::DoNotOptimize(AddQsoToLog(contest.state, contest.qsos[i].input(), contest.files));
        bench.PauseTiming();
        while (contest.state.qsoLog.count() > contest.size())
            contest.state.qsoLog.removeAt(contest.state.qsoLog.count() - 1);
        contest.files.files[kBenchBadQsoFile] = fileBefore;
        bench.ResumeTiming();
    }
    bench.counters["per_add"] = benchmark::Counter(kBatch, benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}

// The duplicate search of the same kBatch QSOs as a scan over the log.
void BM_AddDupeSearchLinear(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    for (auto _ : bench) {
        for (std::size_t i = contest.size(); i < contest.qsos.size(); ++i) {
            const OwnedQso& q = contest.qsos[i];
            benchmark::DoNotOptimize(LinearCountMatching(contest.state.qsoLog, q.call, q.band, q.mode));
        }
    }
    bench.counters["per_add"] = benchmark::Counter(kBatch, benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}

// Call checks of logged and unlogged calls, in turn.
std::vector<CallCheckQuery> Queries(const LoggedContest& contest) {
    std::vector<CallCheckQuery> queries;
    for (std::size_t i = 0; i < 1024; ++i) {
        const OwnedQso& q = contest.qsos[(i * 7919) % contest.qsos.size()];
        queries.push_back({q.call, q.mode, q.country, std::string_view(q.band), std::string_view(q.band)});
    }
    return queries;
}

void BM_CallCheck(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    const auto queries = Queries(contest);
    std::size_t next = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(CallCheckAnswer(contest.state.qsoLog, "Vexl", queries[next]));
        next = (next + 1) % queries.size();
    }
}

// The same answer found by walking the log.
void BM_CallCheckLinear(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    const auto queries = Queries(contest);
    std::size_t next = 0;
    for (auto _ : bench) {
        const CallCheckQuery& q = queries[next];
        int answer = 1;
        if (!q.country.empty())
            for (const CInfo& record : contest.state.qsoLog)
                if (record.m_call == q.call && record.m_band == *q.band && record.m_mode == q.mode) {
                    answer = 0;
                    break;
                }
        benchmark::DoNotOptimize(answer);
        next = (next + 1) % queries.size();
    }
}

// Removes a QSO from the middle of the log (record, index entries and its lines in the bad-QSO
// file); it is logged again outside the timing.
void BM_Remove(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    QuietPlatform platform;
    std::size_t next = contest.size() / 2;
    for (auto _ : bench) {
        const QsoLog& log = contest.state.qsoLog;
        const CInfo& record = log.at(next % log.count());
        OwnedQso q{record.m_call, record.m_band, record.m_mode, record.m_exchReceived, record.m_exchSent,
                   record.m_country, record.m_time, static_cast<unsigned>(record.m_freqKHz) * 1000};
        benchmark::DoNotOptimize(RemoveQsoFromLog(contest.state, q.input(), platform, contest.files));
        bench.PauseTiming();
        AddQsoToLog(contest.state, q.input(), contest.files);
        next += 7919;
        bench.ResumeTiming();
    }
}

// The removal's record search through the log's index.
void BM_RemoveMatch(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    std::size_t next = contest.size() / 2;
    for (auto _ : bench) {
        const QsoLog& log = contest.state.qsoLog;
        const CInfo& record = log.at(next % log.count());
        benchmark::DoNotOptimize(log.findRemovalMatch(record.m_call, record.m_band, record.m_mode, record.m_time));
        next += 7919;
    }
}

// The removal's record search as a scan over the log.
void BM_RemoveMatchLinear(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    std::size_t next = contest.size() / 2;
    for (auto _ : bench) {
        const QsoLog& log = contest.state.qsoLog;
        const CInfo& record = log.at(next % log.count());
        benchmark::DoNotOptimize(
            LinearRemovalMatch(log, record.m_call, record.m_band, record.m_mode, record.m_time));
        next += 7919;
    }
}

void BM_Results(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    PluginState plugin;
    plugin.contest = std::move(contest.state);
    QuietPlatform platform;
    for (auto _ : bench) benchmark::DoNotOptimize(ProduceResults(plugin, nullptr, platform, contest.files));
}

// A log without a district list where every station sends a code of its own: as many multipliers
// as QSOs, each looked up once per band and mode.
void BM_ResultsDistinctCodes(benchmark::State& bench) {
    PluginState plugin;
    MemoryFileStore files;
    for (std::size_t i = 0; i < static_cast<std::size_t>(bench.range(0)); ++i) {
        OwnedQso q{ContestCall(i), "80m", "CW", "C" + std::to_string(i), "001", "UR", {}, 3520000};
        AddQsoToLog(plugin.contest, q.input(), files);
    }
    QuietPlatform platform;
    for (auto _ : bench) benchmark::DoNotOptimize(ProduceResults(plugin, nullptr, platform, files));
}

// A whole contest of 100,000 QSOs added to an empty log. Counters: the heap the state holds
// afterwards (blocks from the heap arena and blocks mapped on their own, unused vector capacity
// included), the growth of the resident set, and that growth once the allocator has returned
// its free pages (what the state really keeps in memory). Free pages go back to the system
// before each start so that one iteration's leftovers do not hide the next one's growth.
void BM_Replay(benchmark::State& bench) {
    const auto qsos = MakeContest(static_cast<std::size_t>(bench.range(0)));
    std::size_t heap = 0, resident = 0, live = 0;
    auto growth = [](std::size_t before) { return ResidentBytes() - std::min(ResidentBytes(), before); };
    for (auto _ : bench) {
        bench.PauseTiming();
        MemoryFileStore files;
        ReturnFreeMemoryToSystem();
        const std::size_t heapBefore = HeapBytesInUse(), residentBefore = ResidentBytes();
        {
            ContestState state;
            PrepareBenchState(state, files);
            bench.ResumeTiming();
            for (const OwnedQso& q : qsos) benchmark::DoNotOptimize(AddQsoToLog(state, q.input(), files));
            bench.PauseTiming();
            heap = std::max(heap, HeapBytesInUse() - heapBefore);
            resident = std::max(resident, growth(residentBefore));
            ReturnFreeMemoryToSystem();
            live = std::max(live, growth(residentBefore));
        }
        bench.ResumeTiming();
    }
    bench.counters["heap_MB"] = static_cast<double>(heap) / (1024.0 * 1024.0);
    bench.counters["rss_growth_MB"] = static_cast<double>(resident) / (1024.0 * 1024.0);
    bench.counters["rss_live_MB"] = static_cast<double>(live) / (1024.0 * 1024.0);
}

}  // namespace

BENCHMARK(BM_Add)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_AddDupeSearchLinear)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_CallCheck)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_CallCheckLinear)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Remove)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_RemoveMatch)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_RemoveMatchLinear)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Results)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_ResultsDistinctCodes)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Replay)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
