#include "server/site_store.h"

#include <ctime>
#include <utility>

namespace {

// Each entry brings the schema from its index to the next version.
constexpr const char* kMigrations[] = {
    R"(CREATE TABLE submissions (
         id INTEGER PRIMARY KEY,
         call TEXT NOT NULL,
         category TEXT NOT NULL,
         format TEXT NOT NULL,
         email TEXT NOT NULL,
         sha256 TEXT NOT NULL,
         size INTEGER NOT NULL,
         received_at INTEGER NOT NULL,
         qsos_read INTEGER NOT NULL,
         qsos_scored INTEGER NOT NULL,
         claimed_score INTEGER NOT NULL,
         check_json TEXT NOT NULL,
         receipt_hash TEXT NOT NULL UNIQUE,
         replaced_by INTEGER REFERENCES submissions(id),
         address TEXT NOT NULL);
       CREATE INDEX submissions_by_call ON submissions(call, replaced_by);
       CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);
       CREATE TABLE audit (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, who TEXT NOT NULL, action TEXT NOT NULL,
                           detail TEXT NOT NULL);
       CREATE TABLE members (user TEXT PRIMARY KEY, password_hash TEXT NOT NULL);
       CREATE TABLE sessions (id_hash TEXT PRIMARY KEY, user TEXT NOT NULL, csrf TEXT NOT NULL,
                              expires_at INTEGER NOT NULL);
       CREATE TABLE api_tokens (token_hash TEXT PRIMARY KEY, user TEXT NOT NULL, created_at INTEGER NOT NULL);
       CREATE TABLE runs (id INTEGER PRIMARY KEY, started_at INTEGER NOT NULL, finished_at INTEGER NOT NULL DEFAULT 0,
                          state TEXT NOT NULL, started_by TEXT NOT NULL, parameters_json TEXT NOT NULL,
                          summary_json TEXT NOT NULL DEFAULT '', error TEXT NOT NULL DEFAULT '',
                          published_at INTEGER NOT NULL DEFAULT 0);
       CREATE TABLE run_pages (run_id INTEGER NOT NULL REFERENCES runs(id),
                               submission_id INTEGER NOT NULL REFERENCES submissions(id),
                               page_name TEXT NOT NULL, PRIMARY KEY (run_id, submission_id));)",
    // A call's log belongs to its sender: each upload has a state, one per call counts; the committee's
    // standing of a call; actions on a call kept with it; API tokens expire (the old ones 30 days after
    // they were made).
    R"(ALTER TABLE submissions ADD COLUMN state TEXT NOT NULL DEFAULT 'counted';
       UPDATE submissions SET state = 'replaced' WHERE replaced_by IS NOT NULL;
       CREATE UNIQUE INDEX one_counted_log_per_call ON submissions(call) WHERE state = 'counted';
       CREATE TABLE call_standing (call TEXT PRIMARY KEY, standing TEXT NOT NULL);
       ALTER TABLE audit ADD COLUMN call TEXT NOT NULL DEFAULT '';
       CREATE INDEX audit_by_call ON audit(call) WHERE call <> '';
       ALTER TABLE api_tokens ADD COLUMN expires_at INTEGER NOT NULL DEFAULT 0;
       UPDATE api_tokens SET expires_at = created_at + 30 * 86400;
       ALTER TABLE members ADD COLUMN created_at INTEGER NOT NULL DEFAULT 0;
       CREATE INDEX sessions_by_user ON sessions(user);)",
    // The receipt is e-mailed (its mail queued with it): the file's name as sent and the language
    // the sender read the site in; the category as an entry of the contest's table; further links to a
    // receipt, sent by the "lost my receipt link" form (the site keeps only their hashes).
    R"(ALTER TABLE submissions ADD COLUMN original_name TEXT NOT NULL DEFAULT '';
       ALTER TABLE submissions ADD COLUMN language TEXT NOT NULL DEFAULT 'en';
       ALTER TABLE submissions ADD COLUMN category_entry TEXT NOT NULL DEFAULT '';
       CREATE TABLE receipt_links (secret_hash TEXT PRIMARY KEY,
                                   submission_id INTEGER NOT NULL REFERENCES submissions(id));)",
};
static_assert(std::size(kMigrations) == SiteStore::kSchemaVersion);

const char* StateName(RunState state) {
    return state == RunState::running ? "running" : state == RunState::done ? "done" : "failed";
}

RunState StateOf(const std::string& name) {
    return name == "running" ? RunState::running : name == "done" ? RunState::done : RunState::failed;
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

const char* const kSubmissionColumns =
    "id, call, category, format, email, sha256, size, received_at, qsos_read, qsos_scored, claimed_score, "
    "check_json, replaced_by, address, state, original_name, language, category_entry";

Submission SubmissionOfRow(const Statement& row) {
    Submission s;
    s.id = row.integer(0);
    s.call = row.text(1);
    s.category = row.text(2);
    s.format = row.text(3);
    s.email = row.text(4);
    s.sha256 = row.text(5);
    s.size = row.integer(6);
    s.receivedAt = row.integer(7);
    s.qsosRead = row.integer(8);
    s.qsosScored = row.integer(9);
    s.claimedScore = row.integer(10);
    s.checkJson = row.text(11);
    if (!row.isNull(12)) s.replacedBy = row.integer(12);
    s.address = row.text(13);
    s.state = SubmissionStateOf(row.text(14));
    s.originalName = row.text(15);
    s.language = row.text(16);
    s.categoryEntry = row.text(17);
    return s;
}

void InsertAudit(Database& db, const std::string& who, const std::string& action, const std::string& detail,
                 const std::string& call) {
    db.prepare("INSERT INTO audit (at, who, action, detail, call) VALUES (?, ?, ?, ?, ?)")
        .bind(1, Now())
        .bind(2, who)
        .bind(3, action)
        .bind(4, detail)
        .bind(5, call)
        .run();
}

const char* SubmissionStateName(SubmissionState state) {
    switch (state) {
        case SubmissionState::counted: return "counted";
        case SubmissionState::replaced: return "replaced";
        case SubmissionState::pending: return "pending";
        case SubmissionState::rejected: return "rejected";
    }
    return "counted";
}

SubmissionState SubmissionStateOf(const std::string& name) {
    for (SubmissionState state : {SubmissionState::counted, SubmissionState::replaced, SubmissionState::pending,
                                  SubmissionState::rejected})
        if (name == SubmissionStateName(state)) return state;
    return SubmissionState::rejected;  // an unknown state never counts
}

SiteStore::SiteStore(const std::filesystem::path& file) : m_db(file.string()) {
    m_db.execute("PRAGMA journal_mode=WAL");
    // Every commit reaches the disk before it returns: a receipt survives a power cut.
    m_db.execute("PRAGMA synchronous=FULL");
    m_db.execute("PRAGMA foreign_keys=ON");
    migrate();
}

int SiteStore::schemaVersion() {
    std::lock_guard lock(m_mutex);
    Statement version = m_db.prepare("PRAGMA user_version");
    version.step();
    return static_cast<int>(version.integer(0));
}

void SiteStore::migrate() {
    Statement read = m_db.prepare("PRAGMA user_version");
    read.step();
    const int version = static_cast<int>(read.integer(0));
    if (version > kSchemaVersion)
        throw DatabaseError("the database has schema version " + std::to_string(version) +
                            ", newer than this program's " + std::to_string(kSchemaVersion));
    for (int next = version; next < kSchemaVersion; ++next) {
        Transaction transaction(m_db);
        m_db.execute(kMigrations[next]);
        m_db.execute("PRAGMA user_version=" + std::to_string(next + 1));
        transaction.commit();
    }
}

// Group commit. A commit returns once SQLite has flushed it to disk, a few milliseconds; one
// upload per commit would hold a rush of uploads to one receipt per flush however many cores
// check them. So the uploads that come while a commit is under way wait together, and the
// first of them to find none under way commits them all in one transaction: one flush for
// the lot. No upload is answered before the commit holding it has returned. Each has a
// savepoint of its own, so one that fails (its mail not queued, a receipt hash taken) is
// undone and told alone; a commit that fails fails every upload in it, and none is kept.
struct SiteStore::PendingSubmission {
    Submission& submission;
    const std::string& receiptHash;
    bool fromOwner;
    const InTransaction& alsoInTransaction;
    std::optional<std::int64_t> replaced;
    std::exception_ptr failure;
    bool done = false;
};

std::optional<std::int64_t> SiteStore::addSubmission(Submission& s, const std::string& receiptHash, bool fromOwner,
                                                     const InTransaction& alsoInTransaction) {
    PendingSubmission pending{s, receiptHash, fromOwner, alsoInTransaction, std::nullopt, nullptr};
    std::unique_lock lock(m_pendingMutex);
    m_pending.push_back(&pending);
    while (!pending.done) {
        if (m_committing) {
            m_batchCommitted.wait(lock);
            continue;
        }
        m_committing = true;
        const std::vector<PendingSubmission*> batch = std::exchange(m_pending, {});
        lock.unlock();
        commitTogether(batch);
        lock.lock();
        m_committing = false;
        for (PendingSubmission* member : batch) member->done = true;
        m_batchCommitted.notify_all();
    }
    if (pending.failure) std::rethrow_exception(pending.failure);
    return pending.replaced;
}

std::size_t SiteStore::submissionsWaiting() {
    std::lock_guard lock(m_pendingMutex);
    return m_pending.size();
}

void SiteStore::commitTogether(const std::vector<PendingSubmission*>& batch) {
    std::lock_guard lock(m_mutex);
    try {
        Transaction transaction(m_db);
        for (PendingSubmission* member : batch) {
            m_db.execute("SAVEPOINT submission");
            try {
                member->replaced =
                    insertSubmission(member->submission, member->receiptHash, member->fromOwner, member->alsoInTransaction);
            } catch (...) {
                member->failure = std::current_exception();
                m_db.execute("ROLLBACK TO submission");
            }
            m_db.execute("RELEASE submission");
        }
        transaction.commit();
    } catch (...) {
        for (PendingSubmission* member : batch)
            if (!member->failure) member->failure = std::current_exception();
    }
}

bool SiteStore::holdsFile(const std::string& sha256) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT 1 FROM submissions WHERE sha256 = ? LIMIT 1");
    select.bind(1, sha256);
    return select.step();
}

std::optional<std::int64_t> SiteStore::insertSubmission(Submission& s, const std::string& receiptHash, bool fromOwner,
                                                        const InTransaction& alsoInTransaction) {
    std::optional<std::int64_t> counted;
    {
        Statement earlier = m_db.prepare("SELECT id FROM submissions WHERE call = ? AND state = 'counted'");
        earlier.bind(1, s.call);
        if (earlier.step()) counted = earlier.integer(0);
    }
    // The first log of a call counts; a later one replaces it only when its sender showed the call's receipt.
    s.state = !counted || fromOwner ? SubmissionState::counted : SubmissionState::pending;
    const std::optional<std::int64_t> replaced = s.state == SubmissionState::counted ? counted : std::nullopt;
    // A corrected log sent without an address keeps the one of the log it replaces: the counted log
    // of a call never loses the address its receipts and the committee's messages go to.
    if (replaced && s.email.empty()) {
        Statement earlier = m_db.prepare("SELECT email FROM submissions WHERE id = ?");
        earlier.bind(1, *replaced);
        if (earlier.step()) s.email = earlier.text(0);
    }
    if (replaced) m_db.prepare("UPDATE submissions SET state = 'replaced' WHERE id = ?").bind(1, *replaced).run();
    m_db.prepare("INSERT INTO submissions (call, category, format, email, sha256, size, received_at, qsos_read, "
                 "qsos_scored, claimed_score, check_json, receipt_hash, address, state, original_name, language, category_entry) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .bind(1, s.call)
        .bind(2, s.category)
        .bind(3, s.format)
        .bind(4, s.email)
        .bind(5, s.sha256)
        .bind(6, s.size)
        .bind(7, s.receivedAt)
        .bind(8, s.qsosRead)
        .bind(9, s.qsosScored)
        .bind(10, s.claimedScore)
        .bind(11, s.checkJson)
        .bind(12, receiptHash)
        .bind(13, s.address)
        .bind(14, SubmissionStateName(s.state))
        .bind(15, s.originalName)
        .bind(16, s.language)
        .bind(17, s.categoryEntry)
        .run();
    s.id = m_db.lastInsertId();
    if (replaced) m_db.prepare("UPDATE submissions SET replaced_by = ? WHERE id = ?").bind(1, s.id).bind(2, *replaced).run();
    if (s.state == SubmissionState::pending)
        InsertAudit(m_db, "zelk-server", "upload kept pending",
                    "submission " + std::to_string(s.id) + " from " + s.address + " without the receipt of " + s.call +
                        "; submission " + std::to_string(*counted) + " still counts",
                    s.call);
    else if (replaced && fromOwner)
        InsertAudit(m_db, "zelk-server", "corrected log with the receipt",
                    "submission " + std::to_string(s.id) + " replaces " + std::to_string(*replaced), s.call);
    if (alsoInTransaction) alsoInTransaction(m_db, s);
    return replaced;
}

std::vector<Submission> SiteStore::submissions(const std::string& where, const std::string& order, const std::string& key) {
    Statement select = m_db.prepare(std::string("SELECT ") + kSubmissionColumns + " FROM submissions " + where + " " + order);
    if (!key.empty()) select.bind(1, key);
    std::vector<Submission> found;
    while (select.step()) found.push_back(SubmissionOfRow(select));
    return found;
}

std::optional<Submission> SiteStore::submission(std::int64_t id) {
    std::lock_guard lock(m_mutex);
    auto found = submissions("WHERE id = " + std::to_string(id), "");
    if (found.empty()) return std::nullopt;
    return found.front();
}

std::optional<Submission> SiteStore::submissionByReceipt(const std::string& receiptHash) {
    std::lock_guard lock(m_mutex);
    auto found = submissions(
        "WHERE receipt_hash = ?1 OR id IN (SELECT submission_id FROM receipt_links WHERE secret_hash = ?1)", "", receiptHash);
    if (found.empty()) return std::nullopt;
    return found.front();
}

void SiteStore::addReceiptLink(std::int64_t submissionId, const std::string& secretHash) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("INSERT INTO receipt_links (secret_hash, submission_id) VALUES (?, ?)")
        .bind(1, secretHash)
        .bind(2, submissionId)
        .run();
}

std::vector<Submission> SiteStore::activeSubmissions() {
    std::lock_guard lock(m_mutex);
    return submissions("WHERE state = 'counted'", "ORDER BY call");
}

std::vector<Submission> SiteStore::allSubmissions() {
    std::lock_guard lock(m_mutex);
    return submissions("", "ORDER BY id DESC");
}

std::vector<Submission> SiteStore::historyOf(const std::string& call) {
    std::lock_guard lock(m_mutex);
    return submissions("WHERE call = ?", "ORDER BY id", call);
}

std::optional<std::string> SiteStore::setting(const std::string& key) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT value FROM settings WHERE key = ?");
    select.bind(1, key);
    if (!select.step()) return std::nullopt;
    return select.text(0);
}

void SiteStore::setSetting(const std::string& key, const std::string& value, const std::string& who,
                           const std::string& detail) {
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    m_db.prepare("INSERT INTO settings (key, value) VALUES (?, ?) ON CONFLICT(key) DO UPDATE SET value = excluded.value")
        .bind(1, key)
        .bind(2, value)
        .run();
    m_db.prepare("INSERT INTO audit (at, who, action, detail) VALUES (?, ?, ?, ?)")
        .bind(1, Now())
        .bind(2, who)
        .bind(3, "set " + key)
        .bind(4, detail)
        .run();
    transaction.commit();
}

void SiteStore::record(const std::string& who, const std::string& action, const std::string& detail, const std::string& call) {
    std::lock_guard lock(m_mutex);
    InsertAudit(m_db, who, action, detail, call);
}

std::vector<AuditEntry> SiteStore::auditLog(std::size_t newest) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT at, who, action, detail FROM audit ORDER BY id DESC LIMIT ?");
    select.bind(1, static_cast<std::int64_t>(newest));
    std::vector<AuditEntry> entries;
    while (select.step()) entries.push_back({select.integer(0), select.text(1), select.text(2), select.text(3)});
    return entries;
}

void SiteStore::setPassword(const std::string& user, const std::string& hash) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("INSERT INTO members (user, password_hash, created_at) VALUES (?, ?, ?) "
                 "ON CONFLICT(user) DO UPDATE SET password_hash = excluded.password_hash")
        .bind(1, user)
        .bind(2, hash)
        .bind(3, Now())
        .run();
}

std::optional<std::string> SiteStore::passwordHash(const std::string& user) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT password_hash FROM members WHERE user = ?");
    select.bind(1, user);
    if (!select.step()) return std::nullopt;
    return select.text(0);
}

void SiteStore::addSession(const std::string& idHash, const SessionRecord& session, std::int64_t expiresAt) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("DELETE FROM sessions WHERE expires_at < ?").bind(1, Now()).run();
    m_db.prepare("INSERT INTO sessions (id_hash, user, csrf, expires_at) VALUES (?, ?, ?, ?)")
        .bind(1, idHash)
        .bind(2, session.user)
        .bind(3, session.csrfToken)
        .bind(4, expiresAt)
        .run();
}

std::optional<SessionRecord> SiteStore::session(const std::string& idHash, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT s.user, s.csrf FROM sessions s JOIN members m ON m.user = s.user "
                                    "WHERE s.id_hash = ? AND s.expires_at >= ?");
    select.bind(1, idHash).bind(2, now);
    if (!select.step()) return std::nullopt;
    return SessionRecord{select.text(0), select.text(1)};
}

void SiteStore::removeSession(const std::string& idHash) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("DELETE FROM sessions WHERE id_hash = ?").bind(1, idHash).run();
}

void SiteStore::addApiToken(const std::string& tokenHash, const std::string& user, std::int64_t expiresAt) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("INSERT INTO api_tokens (token_hash, user, created_at, expires_at) VALUES (?, ?, ?, ?)")
        .bind(1, tokenHash)
        .bind(2, user)
        .bind(3, Now())
        .bind(4, expiresAt)
        .run();
}

std::optional<std::string> SiteStore::apiTokenUser(const std::string& tokenHash, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT t.user FROM api_tokens t JOIN members m ON m.user = t.user "
                                    "WHERE t.token_hash = ? AND t.expires_at > ?");
    select.bind(1, tokenHash).bind(2, now);
    if (!select.step()) return std::nullopt;
    return select.text(0);
}

std::int64_t SiteStore::startRun(const std::string& parametersJson, const std::string& who, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("INSERT INTO runs (started_at, state, started_by, parameters_json) VALUES (?, 'running', ?, ?)")
        .bind(1, now)
        .bind(2, who)
        .bind(3, parametersJson)
        .run();
    return m_db.lastInsertId();
}

void SiteStore::finishRun(std::int64_t id, RunState state, const std::string& summaryJson, const std::string& error,
                          std::int64_t now) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("UPDATE runs SET state = ?, summary_json = ?, error = ?, finished_at = ? WHERE id = ?")
        .bind(1, StateName(state))
        .bind(2, summaryJson)
        .bind(3, error)
        .bind(4, now)
        .bind(5, id)
        .run();
}

void SiteStore::addRunPage(std::int64_t runId, std::int64_t submissionId, const std::string& pageName) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("INSERT OR REPLACE INTO run_pages (run_id, submission_id, page_name) VALUES (?, ?, ?)")
        .bind(1, runId)
        .bind(2, submissionId)
        .bind(3, pageName)
        .run();
}

std::optional<std::string> SiteStore::runPage(std::int64_t runId, std::int64_t submissionId) {
    std::lock_guard lock(m_mutex);
    Statement select = m_db.prepare("SELECT page_name FROM run_pages WHERE run_id = ? AND submission_id = ?");
    select.bind(1, runId).bind(2, submissionId);
    if (!select.step()) return std::nullopt;
    return select.text(0);
}

std::vector<CrossCheckRecord> SiteStore::runsWhere(const std::string& where, std::int64_t id) {
    Statement select = m_db.prepare(
        "SELECT id, started_at, finished_at, state, started_by, parameters_json, summary_json, error, published_at "
        "FROM runs " + where + " ORDER BY id DESC");
    if (id != 0) select.bind(1, id);
    std::vector<CrossCheckRecord> found;
    while (select.step())
        found.push_back({select.integer(0), select.integer(1), select.integer(2), StateOf(select.text(3)),
                         select.text(4), select.text(5), select.text(6), select.text(7), select.integer(8)});
    return found;
}

std::vector<CrossCheckRecord> SiteStore::runs() {
    std::lock_guard lock(m_mutex);
    return runsWhere("");
}

std::optional<CrossCheckRecord> SiteStore::run(std::int64_t id) {
    std::lock_guard lock(m_mutex);
    auto found = runsWhere("WHERE id = ?", id);
    if (found.empty()) return std::nullopt;
    return found.front();
}

void SiteStore::publish(std::int64_t id, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    m_db.execute("UPDATE runs SET published_at = 0");
    m_db.prepare("UPDATE runs SET published_at = ? WHERE id = ? AND state = 'done'").bind(1, now).bind(2, id).run();
    transaction.commit();
}

std::optional<CrossCheckRecord> SiteStore::publishedRun() {
    std::lock_guard lock(m_mutex);
    auto found = runsWhere("WHERE published_at > 0");
    if (found.empty()) return std::nullopt;
    return found.front();
}

void SiteStore::failUnfinishedRuns(std::int64_t now) {
    std::lock_guard lock(m_mutex);
    m_db.prepare("UPDATE runs SET state = 'failed', error = 'the server stopped during the run', finished_at = ? "
                 "WHERE state = 'running'")
        .bind(1, now)
        .run();
}

std::string SiteStore::integrityCheck() {
    std::lock_guard lock(m_mutex);
    Statement check = m_db.prepare("PRAGMA integrity_check");
    std::string result;
    while (check.step()) result += (result.empty() ? "" : "\n") + check.text(0);
    return result;
}
