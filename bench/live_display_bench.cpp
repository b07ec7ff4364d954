// What the operator's typing costs: a call check per keystroke and the refresh's data step, on a
// pattern of thousands of distinct calls, logged and not, typed as growing prefixes; each beside
// the linear scan it replaces. And the data a paint works on, which must not grow with the log.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "boundary/plugin_calls.h"
#include "engine/call_check.h"
#include "engine/live_display.h"

namespace {

// Enough distinct calls that the keystrokes (about 30,000) do not keep a small part of the
// indexes in the cache.
constexpr std::size_t kTypedCalls = 5000;

const std::vector<std::string> kBandNames = {"160m", "80m", "40m"};

struct TypingContest {
    LoggedContest contest;
    std::vector<OwnedQso> keystrokes;
    std::vector<CallCheckQuery> queries;

    explicit TypingContest(std::size_t size)
        : contest(size), keystrokes(TypingPattern(contest.qsos, size, kTypedCalls)) {
        queries.reserve(keystrokes.size());
        for (const OwnedQso& k : keystrokes)
            queries.push_back(
                {k.call, k.mode, k.country, std::string_view(k.band), std::string_view(k.band)});
    }
};

// Only calls of three bytes or more reach the refresh's data step.
std::vector<std::string> RefreshedCalls(const TypingContest& typing) {
    std::vector<std::string> calls;
    for (const OwnedQso& k : typing.keystrokes)
        if (k.call.size() >= 3) calls.push_back(k.call);
    return calls;
}

void BM_CallCheckTyping(benchmark::State& bench) {
    TypingContest typing(static_cast<std::size_t>(bench.range(0)));
    const QsoLog& log = typing.contest.state.qsoLog;
    std::size_t next = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(CallCheckAnswer(log, "Vexl", typing.queries[next]));
        if (++next == typing.queries.size()) next = 0;
    }
    bench.counters["keystrokes"] = static_cast<double>(typing.queries.size());
}

// The same answers found by walking the log.
void BM_CallCheckTypingLinear(benchmark::State& bench) {
    TypingContest typing(static_cast<std::size_t>(bench.range(0)));
    const QsoLog& log = typing.contest.state.qsoLog;
    std::size_t next = 0;
    for (auto _ : bench) {
        const CallCheckQuery& q = typing.queries[next];
        int answer = 1;
        if (g_bandList.contains(*q.band) && g_modeList.contains(q.mode) && !q.country.empty())
            answer = LinearCountMatching(log, q.call, *q.band, q.mode) != 0 ? 0 : 1;
        benchmark::DoNotOptimize(answer);
        if (++next == typing.queries.size()) next = 0;
    }
}

void BM_RefreshRows(benchmark::State& bench) {
    TypingContest typing(static_cast<std::size_t>(bench.range(0)));
    const auto calls = RefreshedCalls(typing);
    PrevRows rows = FreshPrevRows();
    std::size_t next = 0;
    for (auto _ : bench) {
        FillPrevRows(typing.contest.state.qsoLog, calls[next], kBandNames, rows);
        benchmark::DoNotOptimize(rows);
        if (++next == calls.size()) next = 0;
    }
    bench.counters["refreshes"] = static_cast<double>(calls.size());
}

// The original refresh: the whole log scanned for every refresh.
void BM_RefreshRowsLinear(benchmark::State& bench) {
    TypingContest typing(static_cast<std::size_t>(bench.range(0)));
    const auto calls = RefreshedCalls(typing);
    PrevRows rows = FreshPrevRows();
    std::size_t next = 0;
    for (auto _ : bench) {
        LinearFillPrevRows(typing.contest.state.qsoLog, calls[next], kBandNames, rows);
        benchmark::DoNotOptimize(rows);
        if (++next == calls.size()) next = 0;
    }
}

// A paint's data: the previous-QSO rows and the grid's list of the current band and mode, copied
// as the windows copy them, sorted and laid out. The rows have a fixed size and the list is
// bounded by the district list, whatever the log's length.
void BM_PaintData(benchmark::State& bench) {
    LoggedContest contest(static_cast<std::size_t>(bench.range(0)));
    PluginState plugin;
    plugin.contest = std::move(contest.state);
    QuietPlatform platform;
    ProduceResults(plugin, nullptr, platform, contest.files);
    PrevRows rows = FreshPrevRows();
    FillPrevRows(plugin.contest.qsoLog, contest.qsos[contest.size() / 2].call, kBandNames, rows);
    const std::vector<std::string>& worked = plugin.contest.workedDistricts[1][0];  // 80m CW
    for (auto _ : bench) {
        PrevRows shown = rows;
        auto codes = SortedDistricts(worked);
        auto cells = GridLayout(codes.size(), 510);
        benchmark::DoNotOptimize(shown);
        benchmark::DoNotOptimize(cells);
    }
    bench.counters["codes"] = static_cast<double>(worked.size());
    bench.counters["per_code"] =
        benchmark::Counter(static_cast<double>(worked.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_CallCheckTyping)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_CallCheckTypingLinear)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_RefreshRows)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_RefreshRowsLinear)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_PaintData)->Arg(1000)->Arg(10000)->Arg(100000);
