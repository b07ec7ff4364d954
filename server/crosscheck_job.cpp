#include "server/crosscheck_job.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <map>

#include "crosscheck/crosscheck_run.h"
#include "crosscheck/log_source.h"
#include "crosscheck/ranked_category.h"
#include "crosscheck/results_folder.h"
#include "crosscheck/results_pages.h"
#include "crosscheck/ubn_report.h"
#include "server/log_ownership.h"
#include "server/secrets.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Check logs and disqualified logs confirm their partners' QSOs in the matching, but are not ranked:
// they leave the results and are listed among the logs not scored, with the committee's reason.
// Their results, for their senders' reports.
std::vector<LogResult> LeaveUnranked(CrossCheckRun& run, const std::map<std::string, CallStanding>& standingOfFile) {
    std::vector<LogResult> unranked;
    std::erase_if(run.results, [&](const LogResult& result) {
        CrossLog& log = run.logs[result.logIndex];
        const auto found = standingOfFile.find(log.fileName);
        if (found == standingOfFile.end() || !log.unreadable.empty()) return false;
        log.unreadable = found->second == CallStanding::checkLog ? "check log: used to check the other logs, not ranked"
                                                                 : "disqualified by the committee";
        unranked.push_back(result);
        return true;
    });
    return unranked;
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

std::string UkrainianPartName(const std::string& englishPart) {
    const std::string_view suffix = ".part";
    if (!englishPart.ends_with(suffix)) return englishPart + ".uk";
    return englishPart.substr(0, englishPart.size() - suffix.size()) + ".uk" + std::string(suffix);
}

std::string RulesJson(const MatchRules& rules) {
    return json{{"windowMinutes", rules.windowSeconds / 60},
                {"bustedCalls", rules.bustedCalls},
                {"nilPenalty", rules.nilPenalty},
                {"removeUniques", rules.removeUniques}}
        .dump();
}

CrossCheckJob::CrossCheckJob(SiteStore& store, const LogFiles& files, fs::path runsFolder, ContestRules contest,
                             const CategoryTable& categories)
    : m_store(store),
      m_files(files),
      m_runsFolder(std::move(runsFolder)),
      m_contest(std::move(contest)),
      m_categories(&categories) {
    fs::create_directories(m_runsFolder);
}

CrossCheckJob::~CrossCheckJob() { wait(); }

void CrossCheckJob::wait() {
    std::thread finished;
    {
        std::lock_guard lock(m_mutex);
        finished = std::move(m_thread);
    }
    if (finished.joinable()) finished.join();
}

fs::path CrossCheckJob::folderOf(std::int64_t runId) const { return m_runsFolder / std::to_string(runId); }

std::optional<std::int64_t> CrossCheckJob::start(const MatchRules& rules, const std::string& who) {
    std::lock_guard lock(m_mutex);
    if (m_progress.running) return std::nullopt;
    if (m_thread.joinable()) m_thread.join();  // the previous run has ended
    json parameters = json::parse(RulesJson(rules));
    parameters["start"] = FormatMinute(m_contest.start);
    parameters["end"] = FormatMinute(m_contest.end);
    parameters["districtListSha256"] = Sha256Hex(m_contest.districtList);
    const std::int64_t id = m_store.startRun(parameters.dump(), who, Now());
    m_store.record(who, "cross-check started", "run " + std::to_string(id) + ": " + parameters.dump());
    m_progress = {true, id, "reading the logs", 0, 0};
    m_thread = std::thread([this, id, rules, contest = m_contest, table = m_categories] { run(id, rules, contest, table); });
    return id;
}

void CrossCheckJob::setContest(ContestRules contest, const CategoryTable& categories) {
    std::lock_guard lock(m_mutex);
    m_contest = std::move(contest);
    m_categories = &categories;
}

CrossCheckJob::Progress CrossCheckJob::progress() {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

void CrossCheckJob::setStage(const char* stage, std::size_t done, std::size_t total) {
    std::lock_guard lock(m_mutex);
    m_progress.stage = stage;
    m_progress.done = done;
    m_progress.total = total;
}

void CrossCheckJob::run(std::int64_t runId, MatchRules rules, ContestRules contest,
                        const CategoryTable* categories) {
    RunState state = RunState::failed;
    std::string summary, error;
    try {
        const std::vector<Submission> active = m_store.activeSubmissions();  // the counted log of each call
        std::map<std::string, CallStanding> notRanked;  // by call
        for (const auto& [call, standing] : LogOwnership(m_store).standings())
            if (standing != CallStanding::scored) notRanked[call] = standing;
        std::map<std::string, CallStanding> notRankedFile;
        std::vector<CrossLog> logs;
        std::vector<fs::file_time_type> received;
        std::map<std::string, std::int64_t> submissionOfFile;
        for (std::size_t i = 0; i < active.size(); ++i) {
            setStage("reading the logs", i, active.size());
            const Submission& submission = active[i];
            CrossLog log = ReadCrossLog(m_files.pathOf(submission.sha256));
            // The reports name the log by its call, never by the stored file's name.
            log.fileName = submission.call + (submission.format == "ADIF" ? ".adi" : ".cbr");
            // Ranked by the entry of the contest's table the upload was given, not by the header's wording.
            RankInCategory(log, *categories, categories->find(submission.categoryEntry));
            submissionOfFile[log.fileName] = submission.id;
            if (auto found = notRanked.find(submission.call); found != notRanked.end()) notRankedFile[log.fileName] = found->second;
            logs.push_back(std::move(log));
            received.push_back(fs::file_time_type(std::chrono::seconds(submission.receivedAt)));
        }
        setStage("checking", 0, active.size());
        CrossCheckSettings settings;
        settings.rules = rules;
        settings.districtList = contest.districtList;
        settings.period = std::pair(contest.start, contest.end);
        CrossCheckRun run = CrossCheckLogs(std::move(logs), received, settings);
        const std::vector<LogResult> unranked = LeaveUnranked(run, notRankedFile);

        setStage("writing the reports", 0, run.results.size());
        const auto progress = [&](std::size_t written, std::size_t logs) { setStage("writing the reports", written, logs); };
        if (!WriteResultsFolder(folderOf(runId), run, settings.rules, error, progress)) throw std::runtime_error(error);
        // The Ukrainian parts first: a run whose English part is there has them all.
        for (const PageWords* words : {&PageWords::Ukrainian(), &PageWords::English()}) {
            const auto partName = [&](const std::string& english) {
                return words == &PageWords::English() ? english : UkrainianPartName(english);
            };
            WriteFileDurably(folderOf(runId) / partName(kSiteResultsLinked),
                             ResultsTablesHtml(run, settings.rules, true, *words));
            WriteFileDurably(folderOf(runId) / partName(kSiteResultsPlain),
                             ResultsTablesHtml(run, settings.rules, false, *words));
            for (const auto& results : {run.results, unranked})
                for (const LogResult& result : results)
                    WriteFileDurably(folderOf(runId) / partName(result.pageName + kSiteReportSuffix),
                                     UbnSectionsHtml(run, result, settings.rules, *words));
        }
        for (const LogResult& result : unranked) {
            WriteFileDurably(folderOf(runId) / (result.pageName + ".ubn.txt"), UbnText(run, result, settings.rules));
            WriteFileDurably(folderOf(runId) / (result.pageName + ".html"), UbnHtml(run, result, settings.rules));
        }
        for (const auto& results : {run.results, unranked})
            for (const LogResult& result : results)
                if (auto found = submissionOfFile.find(run.logs[result.logIndex].fileName); found != submissionOfFile.end())
                    m_store.addRunPage(runId, found->second, result.pageName);

        json notScored = json::array();
        for (const CrossLog& log : run.logs)
            if (!log.unreadable.empty()) notScored.push_back({{"log", log.fileName}, {"reason", log.unreadable}});
        json verdicts = json::object();
        for (std::size_t v = 0; v < kVerdictKinds; ++v)
            verdicts[std::string(VerdictName(static_cast<Verdict>(v)))] = run.totals[v];
        summary = json{{"logs", run.logs.size()},
                       {"scored", run.results.size()},
                       {"qsos", run.qsos},
                       {"notScored", notScored},
                       {"notRanked", unranked.size()},
                       {"verdicts", verdicts}}
                      .dump();
        state = RunState::done;
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    try {
        m_store.finishRun(runId, state, summary, error, Now());
    } catch (const std::exception&) {
        // The run stays "running" in the store; the next start of the server marks it failed.
    }
    std::lock_guard lock(m_mutex);
    m_progress.running = false;
    m_progress.stage = state == RunState::done ? "done" : "failed: " + error;
}
