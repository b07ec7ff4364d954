#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "crosscheck/contest_categories.h"
#include "crosscheck/cross_match.h"
#include "server/log_files.h"
#include "server/site_store.h"
#include "server/upload_check.h"

// The committee's cross-check of the active logs, one run at a time on a thread of its own. Each
// run's reports go into DIR/runs/<id>/ (results.html, results.csv, checks.csv, <CALL>.html and
// <CALL>.ubn.txt, and the results' tables for the site's own frame, with and without links to
// the reports); the run, its rules and what it found are recorded in the store.
class CrossCheckJob {
public:
    // `categories`: the contest's table (it outlives the job); the results rank each upload in the
    // entry stored with it, whatever its header said.
    CrossCheckJob(SiteStore& store, const LogFiles& files, std::filesystem::path runsFolder, ContestRules contest,
                  const CategoryTable& categories);
    ~CrossCheckJob();
    CrossCheckJob(const CrossCheckJob&) = delete;
    CrossCheckJob& operator=(const CrossCheckJob&) = delete;

    // The period and categories of the runs started from now on (the committee set them anew).
    void setContest(ContestRules contest, const CategoryTable& categories);

    // Starts a run; its id, or nothing while another one runs.
    std::optional<std::int64_t> start(const MatchRules& rules, const std::string& who);

    struct Progress {
        bool running = false;
        std::int64_t runId = 0;
        std::string stage;  // "reading the logs", "checking", "writing the reports"
        std::size_t done = 0, total = 0;
    };
    Progress progress();
    // Waits for the run under way, if any, to end.
    void wait();

    std::filesystem::path folderOf(std::int64_t runId) const;

private:
    void run(std::int64_t runId, MatchRules rules, ContestRules contest, const CategoryTable* categories);
    void setStage(const char* stage, std::size_t done, std::size_t total);

    SiteStore& m_store;
    const LogFiles& m_files;
    std::filesystem::path m_runsFolder;
    ContestRules m_contest;
    const CategoryTable* m_categories;
    std::mutex m_mutex;
    Progress m_progress;
    std::thread m_thread;
};

std::string RulesJson(const MatchRules& rules);

// The results' tables in a run's folder, for the site's frame: with links to each log's report
// (when the reports are public), and without.
inline constexpr const char* kSiteResultsLinked = "site-results-linked.part";
inline constexpr const char* kSiteResultsPlain = "site-results-plain.part";
// Each log's report for the site's frame: <page> and this.
inline constexpr const char* kSiteReportSuffix = ".part";
// Each of these parts in Ukrainian too, beside the English one: "<name>.part" as "<name>.uk.part".
std::string UkrainianPartName(const std::string& englishPart);
