// The committee's tools beyond its main page: the search and export of the submissions, the mail
// queue with its retries, the message to the participants, the contest's period and categories.
#include <ctime>

#include "server/category_texts.h"
#include "server/committee_desk.h"
#include "server/committee_message.h"
#include "server/http_replies.h"
#include "server/mail_queue.h"
#include "server/text_encoding.h"

using nlohmann::json;

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

constexpr int kMailShown = 200;

void SendCsv(httplib::Response& res, const std::string& csv) {
    res.set_header("Content-Disposition", "attachment; filename=\"submissions.csv\"");
    res.set_content(csv, "text/csv; charset=utf-8");
}

}  // namespace

SubmissionsView CommitteeDesk::submissionsView(const httplib::Request& req, bool wholeResult) {
    SubmissionsView view;
    view.query = SubmissionQuery::From([&](const char* name) { return Field(req, name); });
    view.found = FindSubmissions(m.store, view.query, wholeResult);
    view.query.page = view.found.page;
    view.categories = categoryChoices(PageLanguage(req));
    for (const auto& [call, standing] : m.ownership.standings())
        view.standings[call] = CallStandingName(standing);
    return view;
}

std::vector<std::pair<std::string, std::string>> CommitteeDesk::categoryChoices(Language language) {
    const CategoryTable& table = m.setup.categories();
    std::vector<std::pair<std::string, std::string>> choices;
    for (const CategoryEntry& entry : table.entries())
        choices.emplace_back(entry.id, CategoryName(table, &entry, language));
    return choices;
}

void CommitteeDesk::wakeMail() {
    if (MailWorker* worker = m.mailWorker()) worker->wake();
}

void CommitteeDesk::showMail(const httplib::Request& req, httplib::Response& res, const Member& member,
                             const std::string& notice) {
    MailView view;
    view.state = Field(req, "state");
    if (view.state != "waiting" && view.state != "sent" && view.state != "failed") view.state.clear();
    m.store.withDatabase([&](Database& db) {
        MailQueue queue(db);
        view.counts = queue.counts();
        view.mails = queue.newest(view.state, kMailShown);
    });
    view.relay = m.mailWorker() != nullptr;
    view.notice = notice;
    view.csrf = member.csrf;
    SendHtml(res, 200, MailPage(view, PageLanguage(req)));
}

void CommitteeDesk::showMessageForm(httplib::Response& res, const Member& member, Language language,
                                    MessageFormView view) {
    view.categories = categoryChoices(language);
    view.recipientsOfAll = m.store.withDatabase(
        [](Database& db) { return static_cast<std::int64_t>(MessageRecipients(db, {}).size()); });
    view.csrf = member.csrf;
    SendHtml(res, view.error.empty() ? 200 : 422, MessageFormPage(view, language));
}

void CommitteeDesk::showContestSetup(httplib::Response& res, const Member& member, Language language,
                                     const std::string& error, const std::string& start,
                                     const std::string& end, const std::string& tableJson) {
    ContestSetupView view;
    const ContestRules rules = m.setup.rules();
    view.start = error.empty() ? FormatMinute(rules.start) : start;
    view.end = error.empty() ? FormatMinute(rules.end) : end;
    view.tableJson = error.empty() ? m.setup.tableJson() : tableJson;
    view.isDefault = m.setup.tableIsDefault();
    view.error = error;
    view.csrf = member.csrf;
    view.categories = categoryChoices(language);
    SendHtml(res, error.empty() ? 200 : 422, ContestSetupPage(view, language));
}

void CommitteeDesk::addSearchRoutes(httplib::Server& http) {
    http.Get("/committee/submissions", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeePage(req, res, false)) return;
        SendHtml(res, 200, SubmissionsPage(submissionsView(req, false), PageLanguage(req)));
    });
    http.Get("/committee/submissions.csv", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeePage(req, res, false)) return;
        SendCsv(res, SubmissionsCsv(submissionsView(req, true)));
    });
    http.Get("/api/committee/submissions.csv", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeeApi(req, res)) return;
        SendCsv(res, SubmissionsCsv(submissionsView(req, true)));
    });
    // The whole search unless a page is asked for (page, per_page).
    http.Get("/api/committee/submissions", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeeApi(req, res)) return;
        const SubmissionsView view =
            submissionsView(req, !req.has_param("page") && !req.has_param("per_page"));
        json list = json::array();
        for (const Submission& s : view.found.rows)
            list.push_back({{"submission", s.id},
                            {"call", s.call},
                            {"category", s.category},
                            {"categoryId", s.categoryEntry},
                            {"email", s.email},
                            {"receivedAt", s.receivedAt},
                            {"sha256", s.sha256},
                            {"qsos", s.qsosRead},
                            {"claimedScore", s.claimedScore},
                            {"replacedBy", s.replacedBy ? json(*s.replacedBy) : json(nullptr)},
                            {"state", SubmissionStateName(s.state)}});
        SendJson(res, 200,
                 {{"submissions", list},
                  {"total", view.found.total},
                  {"page", view.found.page},
                  {"pages", view.found.pages}});
    });
}

void CommitteeDesk::addMailRoutes(httplib::Server& http) {
    http.Get("/committee/mail", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, false);
        if (!member) return;
        const auto queued = ParseNumber(Field(req, "queued"), 0, 1'000'000'000);
        showMail(req, res, *member,
                 queued ? Text("desk.message.queued", PageLanguage(req), {{"count", std::to_string(*queued)}})
                        : std::string());
    });
    http.Post(R"(/committee/mail/(\d+)/retry)", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        const auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        const bool again =
            id && m.store.withDatabase([&](Database& db) { return MailQueue(db).retry(*id, Now()); });
        if (!again) return showMail(req, res, *member, Text("desk.mail.not_retried", PageLanguage(req)));
        m.store.record(who(member->user, req), "e-mail tried again", "message " + std::to_string(*id));
        wakeMail();
        res.set_redirect("/committee/mail", 303);
    });
    http.Get("/committee/message", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, false);
        if (!member) return;
        showMessageForm(res, *member, PageLanguage(req), {});
    });
    http.Post("/committee/message", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        const Language language = PageLanguage(req);
        std::string audience = Field(req, "audience");
        if (audience == "all") audience.clear();
        CommitteeMessage message = CleanCommitteeMessage(Field(req, "subject"), Field(req, "text"), audience);
        std::string problem = CommitteeMessageProblem(message, language);
        if (problem.empty() && !audience.empty() && !m.setup.categories().find(audience))
            problem = Text("desk.message.no_category", language);
        if (!problem.empty()) {
            MessageFormView view;
            view.subject = Utf8Prefix(message.subject, kLongestMessageSubject);
            view.text = Utf8Prefix(message.text, kLongestMessageText);
            view.audience = audience;
            view.error = problem;
            return showMessageForm(res, *member, language, std::move(view));
        }
        if (!audience.empty()) message.category = m.setup.categories().find(audience)->id;
        const std::size_t queued =
            QueueCommitteeMessage(m.store, m.contestName, message, m.mailFrom, Now(), who(member->user, req));
        wakeMail();
        res.set_redirect("/committee/mail?queued=" + std::to_string(queued), 303);
    });
}

void CommitteeDesk::addMailApi(httplib::Server& http) {
    http.Get("/api/committee/mail", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeeApi(req, res)) return;
        const std::string state = Field(req, "state");
        json list = json::array();
        MailQueueCounts counts;
        m.store.withDatabase([&](Database& db) {
            MailQueue queue(db);
            counts = queue.counts();
            for (const QueuedMail& mail : queue.newest(state, kMailShown))
                list.push_back({{"id", mail.id},
                                {"to", mail.message.to},
                                {"subject", mail.message.subject},
                                {"queuedAt", mail.createdAt},
                                {"attempts", mail.attempts},
                                {"nextAttemptAt", mail.nextAttemptAt},
                                {"lastError", mail.lastError},
                                {"sentAt", mail.sentAt ? json(*mail.sentAt) : json(nullptr)},
                                {"failed", mail.failed}});
        });
        SendJson(res, 200,
                 {{"counts",
                   {{"sent", counts.sent},
                    {"waiting", counts.waiting},
                    {"retrying", counts.retrying},
                    {"failed", counts.failed}}},
                  {"mails", list}});
    });
    http.Post(
        R"(/api/committee/mail/(\d+)/retry)", [this](const httplib::Request& req, httplib::Response& res) {
            auto member = committeeApi(req, res);
            if (!member) return;
            const auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
            if (!id || !m.store.withDatabase([&](Database& db) { return MailQueue(db).retry(*id, Now()); }))
                return SendJson(res, 409, {{"error", "only a failed or retrying e-mail is tried again"}});
            m.store.record(who(member->user, req), "e-mail tried again", "message " + std::to_string(*id));
            wakeMail();
            SendJson(res, 200, {{"retried", *id}});
        });
    // {"subject": ..., "text": ..., "category": "SO-CW-LOW"} (no category: every participant).
    http.Post("/api/committee/message", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeeApi(req, res);
        if (!member) return;
        const json body = JsonBody(req);
        const auto text = [&](const char* name) {
            return body.is_object() && body.contains(name) && body[name].is_string()
                       ? body[name].get<std::string>()
                       : std::string();
        };
        CommitteeMessage message = CleanCommitteeMessage(text("subject"), text("text"), {});
        std::string problem = CommitteeMessageProblem(message, Language::english);
        const std::string category = text("category");
        const CategoryEntry* entry = category.empty() ? nullptr : m.setup.categories().find(category);
        if (problem.empty() && !category.empty() && !entry)
            problem = Text("desk.message.no_category", Language::english);
        if (!problem.empty()) return SendJson(res, 400, {{"error", problem}});
        if (entry) message.category = entry->id;
        const std::size_t queued =
            QueueCommitteeMessage(m.store, m.contestName, message, m.mailFrom, Now(), who(member->user, req));
        wakeMail();
        SendJson(res, 202, {{"queued", queued}});
    });
}

void CommitteeDesk::addContestRoutes(httplib::Server& http) {
    http.Get("/committee/contest", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, false);
        if (!member) return;
        showContestSetup(res, *member, PageLanguage(req), {}, {}, {}, {});
    });
    http.Post("/committee/contest", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        const Language language = PageLanguage(req);
        const std::string start = Field(req, "start"), end = Field(req, "end");
        const std::string table = Field(req, "default_table") == "1" ? std::string() : Field(req, "table");
        const std::string problem = m.setup.set(start, end, table, who(member->user, req), language);
        if (!problem.empty())
            return showContestSetup(res, *member, language, problem, Utf8Prefix(TextAsUtf8(start), 16),
                                    Utf8Prefix(TextAsUtf8(end), 16),
                                    Utf8Prefix(TextAsUtf8(table), ContestSetup::kLargestTableJson));
        m.job.setContest(m.setup.rules(), m.setup.categories());
        res.set_redirect("/committee/contest", 303);
    });
}
