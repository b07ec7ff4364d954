#include "server/committee_desk.h"

#include <ctime>

#include "checker/command_values.h"
#include "server/account_pages.h"
#include "server/http_replies.h"
#include "server/mail_queue.h"
#include "server/ownership_pages.h"
#include "server/secrets.h"

using nlohmann::json;

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

std::string CommitteeDesk::who(const std::string& user, const httplib::Request& req) const {
    return user + " (" + m.clientAddress(req) + ")";
}

std::optional<CommitteeDesk::Member> CommitteeDesk::sessionMember(const httplib::Request& req) {
    const std::string id = CookieValue(req, m.sessionCookie);
    if (id.empty()) return std::nullopt;
    auto session = m.store.session(Sha256Hex(id), Now());
    if (!session) return std::nullopt;
    return Member{session->user, session->csrfToken};
}

std::optional<CommitteeDesk::Member> CommitteeDesk::bearerMember(const httplib::Request& req) {
    const std::string header = req.get_header_value("Authorization");
    if (!header.starts_with("Bearer ") || header.size() <= 7) return std::nullopt;
    auto user = m.store.apiTokenUser(Sha256Hex(header.substr(7)), Now());
    if (!user) return std::nullopt;
    return Member{*user, {}};
}

bool CommitteeDesk::csrfOk(const httplib::Request& req, const Member& member) {
    const std::string token = Field(req, "csrf");
    return !token.empty() && SameSecret(token, member.csrf);
}

// One password check at a time: each takes tens of megabytes.
bool CommitteeDesk::passwordOk(const std::string& user, const std::string& password) {
    std::lock_guard lock(m_passwordMutex);
    static const std::string kNoMember = HashPassword(RandomToken());
    const auto hash = m.store.passwordHash(user);
    const bool matches = PasswordMatches(password, hash.value_or(kNoMember));
    return hash && matches;
}

// A committee page's member, or the response that refuses the request.
std::optional<CommitteeDesk::Member> CommitteeDesk::committeePage(const httplib::Request& req,
                                                                  httplib::Response& res, bool isPost) {
    auto member = sessionMember(req);
    if (!member) {
        SendHtml(res, 401, LoginPage(Text("desk.login.needed", PageLanguage(req)), PageLanguage(req)));
        return std::nullopt;
    }
    if (isPost && !csrfOk(req, *member)) {
        const Language language = PageLanguage(req);
        SendHtml(res, 403,
                 PageShell(Text("desk.refused.title", language),
                           "<p>" + Escaped(Text("desk.refused.csrf", language)) + "</p>\n", language));
        return std::nullopt;
    }
    return member;
}

std::optional<CommitteeDesk::Member> CommitteeDesk::committeeApi(const httplib::Request& req,
                                                                 httplib::Response& res) {
    auto member = bearerMember(req);
    if (!member) {
        res.set_header("WWW-Authenticate", "Bearer");
        SendJson(res, 401, {{"error", "a committee token is needed (Authorization: Bearer ...)"}});
    }
    return member;
}

void CommitteeDesk::showCommittee(const httplib::Request& req, const Member& member, httplib::Response& res,
                                  const std::string& notice) {
    const Language language = PageLanguage(req);
    CommitteeView view;
    view.contest = m.contestView();
    view.user = member.user;
    view.csrf = member.csrf;
    SubmissionsView newest;  // the newest 200 on the overview; the search page has them all
    newest.query.pageSize = 200;
    newest.found = FindSubmissions(m.store, newest.query);
    newest.categories = categoryChoices(language);
    for (const auto& [call, standing] : m.ownership.standings())
        newest.standings[call] = CallStandingName(standing);
    view.submissionsHtml = SubmissionsSectionHtml(newest, language);
    view.runs = m.store.runs();
    const auto progress = m.job.progress();
    view.jobRunning = progress.running;
    view.jobStage = progress.stage;
    view.jobDone = progress.done;
    view.jobTotal = progress.total;
    view.audit = m.store.auditLog(50);
    view.notice = notice;
    view.pendingHtml = PendingSectionHtml(m.ownership.pending(), member.csrf, language);
    view.accountsHtml = AccountSectionsHtml(m.accounts.members(), m.accounts.tokens(Now()), member.user,
                                            member.csrf, language);
    view.mailHtml = mailStateHtml(language);
    view.receivedShowsCounts = m.receivedShowsCounts();
    SendHtml(res, 200, CommitteePage(view, language));
}

void CommitteeDesk::backToCommittee(httplib::Response& res) { res.set_redirect("/committee", 303); }

std::string CommitteeDesk::makeApiToken(const std::string& user, std::int64_t days,
                                        const httplib::Request& req) {
    const std::string token = RandomToken();
    const std::int64_t expiresAt = Now() + days * 86400;
    m.store.addApiToken(Sha256Hex(token), user, expiresAt);
    m.store.record(who(user, req), "API token made", "valid until " + FormatUnixUtc(expiresAt));
    return token;
}

CommitteeGate CommitteeDesk::gate() {
    CommitteeGate gate;
    gate.page = [this](const httplib::Request& req, httplib::Response& res, bool isPost) {
        return committeePage(req, res, isPost);
    };
    gate.api = [this](const httplib::Request& req, httplib::Response& res) { return committeeApi(req, res); };
    gate.who = [this](const std::string& user, const httplib::Request& req) { return who(user, req); };
    gate.showCommittee = [this](const httplib::Request& req, const Member& member, httplib::Response& res,
                                const std::string& notice) { showCommittee(req, member, res, notice); };
    gate.passwordOk = [this](const std::string& user, const std::string& password) {
        return passwordOk(user, password);
    };
    return gate;
}

std::string CommitteeDesk::mailStateHtml(Language language) {
    const MailQueueCounts counts = m.store.withDatabase([](Database& db) { return MailQueue(db).counts(); });
    std::string text;
    if (!m.mailWorker())
        text = counts.waiting > 0
                   ? Text("desk.mail.waiting_no_relay", language, {{"count", std::to_string(counts.waiting)}})
                   : Text("desk.mail.no_relay_short", language);
    else
        text = Text("desk.mail.counts", language,
                    {{"sent", std::to_string(counts.sent)},
                     {"waiting", std::to_string(counts.waiting)},
                     {"retrying", std::to_string(counts.retrying)},
                     {"failed", std::to_string(counts.failed)}});
    return "<section><h2>" + Escaped(Text("desk.mail.heading", language)) + "</h2><p>" + Escaped(text) +
           " <a href=\"/committee/mail\">" + Escaped(Text("desk.mail.open", language)) + "</a></p></section>";
}

std::optional<MatchRules> CommitteeDesk::rulesOf(const std::function<std::string(const char*)>& value,
                                                 std::string& error) {
    MatchRules rules;
    const std::string window = value("window"), penalty = value("nil_penalty");
    if (!window.empty()) {
        auto minutes = ParseNumber(window, 0, 24 * 60);
        if (!minutes) return error = "the time window is not a number of minutes (0 to 1440)", std::nullopt;
        rules.windowSeconds = static_cast<int>(*minutes) * 60;
    }
    if (!penalty.empty()) {
        auto qsos = ParseNumber(penalty, 0, 100);
        if (!qsos) return error = "the not-in-log penalty is not a number (0 to 100)", std::nullopt;
        rules.nilPenalty = static_cast<int>(*qsos);
    }
    rules.bustedCalls = value("busted_calls") == "1";
    rules.removeUniques = value("remove_uniques") == "1";
    return rules;
}

// The new deadline, or the reason it cannot be.
std::optional<std::int64_t> CommitteeDesk::parseDeadline(const std::string& text, std::string& error) {
    try {
        return UnixSeconds(ParseDateOption(text, "the deadline"));
    } catch (const Unusable& unusable) {
        error = unusable.message;
        return std::nullopt;
    }
}

void CommitteeDesk::moveDeadline(std::int64_t when, const std::string& by) {
    m.store.setSetting("deadline", std::to_string(when), by, FormatUnixUtc(when));
}

void CommitteeDesk::setReopened(bool open, const std::string& by) {
    m.store.setSetting("reopened", open ? "1" : "0", by,
                       open ? "uploads reopened after the deadline" : "uploads closed");
}

std::optional<std::int64_t> CommitteeDesk::publish(std::int64_t runId, const std::string& by) {
    auto run = m.store.run(runId);
    if (!run || run->state != RunState::done) return std::nullopt;
    m.store.publish(runId, Now());
    m.store.record(by, "results published", "run " + std::to_string(runId));
    return runId;
}

json CommitteeDesk::runJson(const CrossCheckRecord& run) {
    json j = {{"run", run.id},
              {"state", run.state == RunState::running ? "running"
                        : run.state == RunState::done  ? "done"
                                                       : "failed"},
              {"startedAt", run.startedAt},
              {"finishedAt", run.finishedAt},
              {"startedBy", run.startedBy},
              {"parameters", json::parse(run.parametersJson, nullptr, false)},
              {"published", run.publishedAt > 0},
              {"error", run.error}};
    if (!run.summaryJson.empty()) j["summary"] = json::parse(run.summaryJson, nullptr, false);
    const auto progress = m.job.progress();
    if (progress.running && progress.runId == run.id)
        j["progress"] = {{"stage", progress.stage}, {"done", progress.done}, {"total", progress.total}};
    return j;
}
