#include "crosscheck/crosscheck_run.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <tbb/parallel_for.h>

#include "crosscheck/log_source.h"

namespace fs = std::filesystem;

namespace {

constexpr double kHoursPerDay = 24.0;

// The newer file of two logs with one own call counts; of two equally old, the later name.
void SettleClashes(CrossCheckRun& run, const std::vector<fs::file_time_type>& modified) {
    std::map<std::string, std::size_t> holder;
    for (std::size_t i = 0; i < run.logs.size(); ++i) {
        CrossLog& log = run.logs[i];
        if (!log.unreadable.empty()) continue;
        auto [at, added] = holder.try_emplace(log.ownCall, i);
        if (added) continue;
        std::size_t older = at->second, newer = i;
        if (modified[newer] < modified[older]) std::swap(older, newer);
        at->second = newer;
        run.logs[older].unreadable =
            "replaced by " + run.logs[newer].fileName + ", a newer log of " + log.ownCall;
        run.clashes.push_back(log.ownCall + ": " + run.logs[newer].fileName + " counts, " +
                              run.logs[older].fileName + " is older");
    }
}

// Whole hours from the first QSO of all logs to the hour after the last.
std::pair<OleDateTime, OleDateTime> HoursSpanned(const std::vector<CrossLog>& logs) {
    double first = 0, last = 0;
    bool any = false;
    for (const CrossLog& log : logs) {
        if (!log.unreadable.empty()) continue;
        for (const CrossQso& qso : log.qsos) {
            if (!any || qso.time.m_dt < first) first = qso.time.m_dt;
            if (!any || qso.time.m_dt > last) last = qso.time.m_dt;
            any = true;
        }
    }
    OleDateTime start, end;
    // A small margin keeps a time that is a whole hour in floating point from rounding below it.
    start.m_dt = std::floor(first * kHoursPerDay + 1e-6) / kHoursPerDay;
    end.m_dt = (std::floor(last * kHoursPerDay + 1e-6) + 1) / kHoursPerDay;
    return {start, end};
}

bool IsReservedName(const std::string& name) {
    // Device names of Windows (a file "CON.html" is the console there, whatever its ending) and
    // the names of the results' own files.
    static const std::set<std::string> reserved = {"CON", "PRN", "AUX", "NUL", "RESULTS", "CHECKS"};
    if (reserved.contains(name)) return true;
    return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) && name[3] >= '0' &&
           name[3] <= '9';
}

// Letters (upper case), digits and '_' only, never a reserved name. Own calls are call-shaped
// (at most 20 characters), so the name stays short.
std::string SafeFileName(const std::string& call) {
    std::string name;
    for (char c : call) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        name += (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_';
    }
    if (name.empty() || IsReservedName(name)) name += '_';
    return name;
}

}  // namespace

double LogResult::errorRate(const CrossLog& log, const MatchRules& rules) const {
    if (log.qsos.empty()) return 0;
    std::size_t lost = 0;
    for (std::size_t kind = 0; kind < kVerdictKinds; ++kind)
        if (!KeepsCredit(static_cast<Verdict>(kind), rules)) lost += counts[kind];
    return 100.0 * static_cast<double>(lost) / static_cast<double>(log.qsos.size());
}

CrossCheckRun CrossCheckLogs(std::vector<CrossLog> logs, const std::vector<fs::file_time_type>& modified,
                             const CrossCheckSettings& settings) {
    CrossCheckRun run;
    run.logs = std::move(logs);
    SettleClashes(run, modified);
    run.period = settings.period ? *settings.period : HoursSpanned(run.logs);
    MatchRules rules = settings.rules;
    if (settings.period)
        rules.periodSeconds =
            std::pair(WholeSeconds(settings.period->first), WholeSeconds(settings.period->second));
    run.checks = CrossCheck(run.logs, rules);

    std::set<std::string> pageNames;
    for (std::size_t i = 0; i < run.logs.size(); ++i) {
        const CrossLog& log = run.logs[i];
        if (!log.unreadable.empty()) continue;
        LogResult result;
        result.logIndex = i;
        // Names are upper case, so no two differ in case alone; a second holder of a name gets a number.
        const std::string name = SafeFileName(log.ownCall);
        result.pageName = name;
        for (int number = 2; !pageNames.insert(result.pageName).second; ++number)
            result.pageName = name + "_" + std::to_string(number);
        for (const QsoCheck& check : run.checks[i]) ++result.counts[static_cast<std::size_t>(check.verdict)];
        for (std::size_t kind = 0; kind < kVerdictKinds; ++kind) run.totals[kind] += result.counts[kind];
        run.qsos += log.qsos.size();
        run.results.push_back(std::move(result));
    }

    CheckSettings base;
    base.districtList = settings.districtList;
    base.contestStart = run.period.first;
    base.contestEnd = run.period.second;
    tbb::parallel_for(std::size_t{0}, run.results.size(), [&](std::size_t r) {
        LogResult& result = run.results[r];
        result.scores = ScoreLog(run.logs[result.logIndex], run.checks[result.logIndex], rules, base);
    });
    return run;
}

CrossCheckRun RunCrossCheck(std::vector<fs::path> logFiles, const CrossCheckSettings& settings) {
    std::sort(logFiles.begin(), logFiles.end());
    std::vector<CrossLog> logs(logFiles.size());
    std::vector<fs::file_time_type> modified(logFiles.size());
    tbb::parallel_for(std::size_t{0}, logFiles.size(), [&](std::size_t i) {
        logs[i] = ReadCrossLog(logFiles[i]);
        if (settings.eachLog) settings.eachLog(logs[i]);
        std::error_code error;
        modified[i] = fs::last_write_time(logFiles[i], error);
    });
    return CrossCheckLogs(std::move(logs), modified, settings);
}
