#include "server/log_ownership.h"

#include "server/secrets.h"

namespace {

std::string Numbered(std::int64_t id) { return "submission " + std::to_string(id); }

}  // namespace

const char* CallStandingName(CallStanding standing) {
    switch (standing) {
        case CallStanding::scored: return "scored";
        case CallStanding::checkLog: return "check log";
        case CallStanding::disqualified: return "disqualified";
    }
    return "scored";
}

std::optional<CallStanding> CallStandingOf(const std::string& name) {
    if (name == "scored") return CallStanding::scored;
    if (name == "check log" || name == "check") return CallStanding::checkLog;
    if (name == "disqualified" || name == "dq") return CallStanding::disqualified;
    return std::nullopt;
}

std::string ReceiptSecretOf(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '/'))
        text.pop_back();
    if (const std::size_t slash = text.rfind("/receipt/"); slash != std::string::npos) text.erase(0, slash + 9);
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

LogOwnership::ReceiptCheck LogOwnership::checkReceipt(const std::string& sent, const std::string& call) {
    const std::string secret = ReceiptSecretOf(sent);
    if (secret.empty()) return {};
    if (secret.size() != 64 || secret.find_first_not_of("0123456789abcdef") != std::string::npos)
        return {Proof::unknownReceipt, {}};
    const auto receipt = m_store.submissionByReceipt(Sha256Hex(secret));
    if (!receipt) return {Proof::unknownReceipt, {}};
    if (receipt->call != call) return {Proof::otherCall, receipt->call};
    const bool counts = receipt->state == SubmissionState::counted || receipt->state == SubmissionState::replaced;
    return {counts ? Proof::owner : Proof::none, receipt->call};
}

std::vector<Submission> LogOwnership::pending() {
    std::vector<Submission> found;
    for (const Submission& s : m_store.allSubmissions())
        if (s.state == SubmissionState::pending) found.insert(found.begin(), s);
    return found;
}

bool LogOwnership::accept(std::int64_t id, const std::string& who) {
    return makeCounted(id, true, who, "pending upload accepted");
}

bool LogOwnership::restore(std::int64_t id, const std::string& who) {
    return makeCounted(id, false, who, "earlier upload restored");
}

bool LogOwnership::makeCounted(std::int64_t id, bool fromPending, const std::string& who, const std::string& action) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        Statement chosen = db.prepare("SELECT call, state FROM submissions WHERE id = ?");
        chosen.bind(1, id);
        if (!chosen.step()) return false;
        const SubmissionState state = SubmissionStateOf(chosen.text(1));
        const bool allowed = fromPending ? state == SubmissionState::pending
                                         : state == SubmissionState::replaced || state == SubmissionState::rejected;
        if (!allowed) return false;
        const std::string call = chosen.text(0);
        std::optional<std::int64_t> counted;
        {
            Statement current = db.prepare("SELECT id FROM submissions WHERE call = ? AND state = 'counted'");
            current.bind(1, call);
            if (current.step()) counted = current.integer(0);
        }
        // The one counting steps down first: one log per call counts at every moment.
        if (counted)
            db.prepare("UPDATE submissions SET state = 'replaced', replaced_by = ? WHERE id = ?").bind(1, id).bind(2, *counted).run();
        db.prepare("UPDATE submissions SET state = 'counted', replaced_by = NULL WHERE id = ?").bind(1, id).run();
        InsertAudit(db, who, action,
                    Numbered(id) + " counts for " + call + (counted ? " in place of " + Numbered(*counted) : std::string()),
                    call);
        transaction.commit();
        return true;
    });
}

bool LogOwnership::reject(std::int64_t id, const std::string& who) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        Statement chosen = db.prepare("SELECT call FROM submissions WHERE id = ? AND state = 'pending'");
        chosen.bind(1, id);
        if (!chosen.step()) return false;
        const std::string call = chosen.text(0);
        db.prepare("UPDATE submissions SET state = 'rejected' WHERE id = ?").bind(1, id).run();
        InsertAudit(db, who, "pending upload rejected", Numbered(id) + " of " + call + " does not count", call);
        transaction.commit();
        return true;
    });
}

CallStanding LogOwnership::standing(const std::string& call) {
    return m_store.withDatabase([&](Database& db) {
        Statement select = db.prepare("SELECT standing FROM call_standing WHERE call = ?");
        select.bind(1, call);
        return select.step() ? CallStandingOf(select.text(0)).value_or(CallStanding::scored) : CallStanding::scored;
    });
}

std::vector<std::pair<std::string, CallStanding>> LogOwnership::standings() {
    return m_store.withDatabase([&](Database& db) {
        Statement select = db.prepare("SELECT call, standing FROM call_standing ORDER BY call");
        std::vector<std::pair<std::string, CallStanding>> found;
        while (select.step()) found.emplace_back(select.text(0), CallStandingOf(select.text(1)).value_or(CallStanding::scored));
        return found;
    });
}

void LogOwnership::setStanding(const std::string& call, CallStanding standing, const std::string& reason,
                               const std::string& who) {
    m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        if (standing == CallStanding::scored)
            db.prepare("DELETE FROM call_standing WHERE call = ?").bind(1, call).run();
        else
            db.prepare("INSERT INTO call_standing (call, standing) VALUES (?, ?) "
                       "ON CONFLICT(call) DO UPDATE SET standing = excluded.standing")
                .bind(1, call)
                .bind(2, CallStandingName(standing))
                .run();
        InsertAudit(db, who, std::string("marked ") + CallStandingName(standing),
                    call + (reason.empty() ? std::string() : ": " + reason), call);
        transaction.commit();
    });
}

std::vector<AuditEntry> LogOwnership::actionsOn(const std::string& call) {
    return m_store.withDatabase([&](Database& db) {
        Statement select = db.prepare("SELECT at, who, action, detail FROM audit WHERE call = ? ORDER BY id");
        select.bind(1, call);
        std::vector<AuditEntry> entries;
        while (select.step()) entries.push_back({select.integer(0), select.text(1), select.text(2), select.text(3)});
        return entries;
    });
}
