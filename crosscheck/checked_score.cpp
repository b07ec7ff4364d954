#include "crosscheck/checked_score.h"

#include <algorithm>

LogScores ScoreLog(const CrossLog& log, const std::vector<QsoCheck>& checks, const MatchRules& rules,
                   CheckSettings settings) {
    settings.ownCall = log.ownCall;
    settings.html = false;
    settings.cabrillo = false;
    settings.expectedQsos = log.qsos.size();  // the plug-in's log takes room for them at once
    LogScores scores;
    scores.claimed = CheckQsos(
        [&](const QsoSink& add) {
            for (const CrossQso& qso : log.qsos) add(log.input(qso));
        },
        settings);
    const bool allKept = std::all_of(checks.begin(), checks.end(),
                                     [&](const QsoCheck& c) { return KeepsCredit(c.verdict, rules); });
    if (allKept) {
        scores.checked = scores.claimed;  // the same QSOs give the same outcome
    } else {
        scores.checked = CheckQsos(
            [&](const QsoSink& add) {
                for (std::size_t i = 0; i < log.qsos.size(); ++i)
                    if (KeepsCredit(checks[i].verdict, rules)) add(log.input(log.qsos[i]));
            },
            settings);
    }
    scores.nils = static_cast<std::size_t>(std::count_if(
        checks.begin(), checks.end(), [](const QsoCheck& c) { return c.verdict == Verdict::notInLog; }));
    const ContestScore& checked = scores.checked.score;
    const std::int64_t points =
        std::max<std::int64_t>(0, checked.total.points - static_cast<std::int64_t>(rules.nilPenalty) *
                                                             static_cast<std::int64_t>(scores.nils));
    scores.checkedScore = points * checked.total.multiplier;
    return scores;
}
