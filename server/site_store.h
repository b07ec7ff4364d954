#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/sqlite_db.h"

// Where an upload stands: one upload per call counts; a later one replaces it when its sender showed
// the call's receipt, else it waits as pending until the committee accepts or rejects it.
enum class SubmissionState { counted, replaced, pending, rejected };
const char* SubmissionStateName(SubmissionState state);
SubmissionState SubmissionStateOf(const std::string& name);

// One uploaded log as the site keeps it.
struct Submission {
    std::int64_t id = 0;  // the submission number on the receipt
    std::string call;
    std::string category;
    std::string format;
    std::string email;
    std::string sha256;
    std::int64_t size = 0;
    std::int64_t receivedAt = 0;  // seconds since 1970, UTC
    std::int64_t qsosRead = 0;
    std::int64_t qsosScored = 0;
    std::int64_t claimedScore = 0;
    std::string checkJson;  // the whole check as the participant saw it
    std::optional<std::int64_t> replacedBy;  // a later upload for the same call
    std::string address;  // where it came from, for the committee
    SubmissionState state = SubmissionState::counted;
    std::string originalName;  // the file's name as sent; empty when pasted
    std::string language = "en";  // the site's language for its sender ("en", "uk")
    std::string categoryEntry;  // the id of its entry in the contest's category table; empty: none
};

struct AuditEntry {
    std::int64_t at = 0;
    std::string who;
    std::string action;
    std::string detail;
};

enum class RunState { running, done, failed };

struct CrossCheckRecord {
    std::int64_t id = 0;
    std::int64_t startedAt = 0;
    std::int64_t finishedAt = 0;
    RunState state = RunState::running;
    std::string startedBy;
    std::string parametersJson;  // the rules and parameters the run used
    std::string summaryJson;     // what the run found, once done
    std::string error;
    std::int64_t publishedAt = 0;  // 0: not published
};

struct SessionRecord {
    std::string user;
    std::string csrfToken;
};

// The site's database in DIR: submissions, the committee's accounts, sessions and tokens, the
// cross-check runs, settings and the record of committee actions. SQLite in WAL mode, each commit
// flushed to disk; the schema carries its version and is brought up to date on opening.
void InsertAudit(Database& db, const std::string& who, const std::string& action, const std::string& detail,
                 const std::string& call = {});

// The columns of a submission, in the order SubmissionOfRow() reads them, for a SELECT of
// the submissions' table under another condition.
extern const char* const kSubmissionColumns;
Submission SubmissionOfRow(const Statement& row);

class SiteStore {
public:
    explicit SiteStore(const std::filesystem::path& file);

    static constexpr int kSchemaVersion = 3;
    int schemaVersion();

    // Stores the submission: it counts when its call has no counted log yet or when `fromOwner` (its
    // sender showed the call's receipt), and then marks the one it replaces; else it is kept pending
    // (submission.state tells). The id of the one replaced, if any. `receiptHash` is the SHA-256 of
    // the receipt link's secret. `alsoInTransaction` runs on the same connection before the commit, with
    // the submission numbered (the receipt's e-mail is queued there): both are kept, or neither.
    // Uploads stored at the same time share one commit (see site_store.cpp); it returns once the
    // commit holding this one is on disk, and throws when this one, or that commit, failed.
    // A replacement sent without an e-mail address takes the address of the log it replaces.
    using InTransaction = std::function<void(Database&, const Submission&)>;
    std::optional<std::int64_t> addSubmission(Submission& submission, const std::string& receiptHash,
                                              bool fromOwner = false, const InTransaction& alsoInTransaction = {});
    // Uploads waiting for the commit in progress to end, to go in the next one together.
    std::size_t submissionsWaiting();
    // Whether a stored submission has the file of this SHA-256.
    bool holdsFile(const std::string& sha256);
    std::optional<Submission> submission(std::int64_t id);
    // By the hash of the receipt's secret, or of a further link to it.
    std::optional<Submission> submissionByReceipt(const std::string& receiptHash);
    // A further link to a submission's receipt (the first stays valid).
    void addReceiptLink(std::int64_t submissionId, const std::string& secretHash);
    std::vector<Submission> activeSubmissions();  // the counted log of each call, in call order
    std::vector<Submission> allSubmissions();     // newest first
    std::vector<Submission> historyOf(const std::string& call);  // oldest first

    std::optional<std::string> setting(const std::string& key);
    void setSetting(const std::string& key, const std::string& value, const std::string& who, const std::string& detail);

    // `call`: the action concerns that call's logs and is shown in its history too.
    void record(const std::string& who, const std::string& action, const std::string& detail, const std::string& call = {});
    std::vector<AuditEntry> auditLog(std::size_t newest);

    void setPassword(const std::string& user, const std::string& hash);
    std::optional<std::string> passwordHash(const std::string& user);

    void addSession(const std::string& idHash, const SessionRecord& session, std::int64_t expiresAt);
    // A live session of a member who still is one.
    std::optional<SessionRecord> session(const std::string& idHash, std::int64_t now);
    void removeSession(const std::string& idHash);
    void addApiToken(const std::string& tokenHash, const std::string& user, std::int64_t expiresAt);
    // The member of a token that has not expired, while a member.
    std::optional<std::string> apiTokenUser(const std::string& tokenHash, std::int64_t now);

    std::int64_t startRun(const std::string& parametersJson, const std::string& who, std::int64_t now);
    void finishRun(std::int64_t id, RunState state, const std::string& summaryJson, const std::string& error,
                   std::int64_t now);
    void addRunPage(std::int64_t runId, std::int64_t submissionId, const std::string& pageName);
    std::optional<std::string> runPage(std::int64_t runId, std::int64_t submissionId);
    std::vector<CrossCheckRecord> runs();
    std::optional<CrossCheckRecord> run(std::int64_t id);
    void publish(std::int64_t id, std::int64_t now);
    std::optional<CrossCheckRecord> publishedRun();
    // Runs left running by a server that stopped: marked failed.
    void failUnfinishedRuns(std::int64_t now);

    std::string integrityCheck();

    // For the stores of one concern each (accounts, the ownership of logs): the database under the lock.
    template <class Work>
    decltype(auto) withDatabase(Work&& work) {
        std::lock_guard lock(m_mutex);
        return work(m_db);
    }

private:
    struct PendingSubmission;
    void commitTogether(const std::vector<PendingSubmission*>& batch);
    std::optional<std::int64_t> insertSubmission(Submission& submission, const std::string& receiptHash, bool fromOwner,
                                                 const InTransaction& alsoInTransaction);
    void migrate();
    std::vector<Submission> submissions(const std::string& where, const std::string& order, const std::string& key = {});
    std::vector<CrossCheckRecord> runsWhere(const std::string& where, std::int64_t id = 0);

    std::mutex m_mutex;
    Database m_db;

    std::mutex m_pendingMutex;
    std::condition_variable m_batchCommitted;
    std::vector<PendingSubmission*> m_pending;
    bool m_committing = false;
};
