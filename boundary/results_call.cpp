#include "boundary/plugin_calls.h"
#include "engine/bad_qso_file.h"
#include "reports/cabrillo_export.h"
#include "reports/contest_score.h"
#include "reports/results_summary.h"

const char* ProduceResults(PluginState& state, int* out, Platform& platform, FileStore& files) {
    ContestState& contest = state.contest;
    state.resultText.clear();
    const bool logEmpty = contest.qsoLog.empty();

    const ContestScore score = ScoreContest(contest, CountBadQsoLines(files, contest.badQsoFileName, contest.badQsoBacklog));
    state.claimedScore = score.score;

    const SummaryHeading heading{state.myCall, state.contestStart, state.contestEnd};
    state.resultText = state.htmlResults != 0
                           ? FormatResultsHtml(score, heading)
                           : FormatResultsText(score, heading, state.cabrilloRequested == 0 && !logEmpty);

    platform.writeSetting("Claimed", std::to_string(score.score));

    if (state.cabrilloRequested != 0) {
        const CabrilloWriteResult written =
            ExportCabrillo(state.cabrilloLog, contest.qsoLog, state.claimedScore, state.hostVersion, files);
        platform.showMessage(written.message, "Output", MessageKind::information);
        if (out) *out = -1;
    }
    return state.resultText.c_str();
}
