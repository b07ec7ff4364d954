#include "server/committee_desk.h"

#include <cctype>
#include <ctime>

#include "server/committee_pages.h"
#include "server/committee_routes.h"
#include "server/http_replies.h"
#include "server/secrets.h"

using nlohmann::json;

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

void CommitteeDesk::addRoutes(httplib::Server& http) {
    // Committee pages.
    http.Get("/committee", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = sessionMember(req);
        if (!member) return SendHtml(res, 200, LoginPage({}, PageLanguage(req)));
        showCommittee(req, *member, res);
    });
    http.Post("/committee/login", [this](const httplib::Request& req, httplib::Response& res) {
        if (!m.loginLimiter.allow(m.clientAddress(req)))
            return SendHtml(res, 429,
                            LoginPage(Text("desk.login.too_many", PageLanguage(req)), PageLanguage(req)));
        std::string user = Field(req, "user");
        if (user.empty()) user = kFirstMember;
        if (!passwordOk(user, Field(req, "password"))) {
            m.store.record(user, "login refused", m.clientAddress(req));
            return SendHtml(res, 403,
                            LoginPage(Text("desk.login.wrong", PageLanguage(req)), PageLanguage(req)));
        }
        const std::string id = RandomToken();
        m.store.addSession(Sha256Hex(id), {user, RandomToken()}, Now() + m.sessionSeconds);
        m.store.record(who(user, req), "logged in", "");
        res.set_header("Set-Cookie",
                       m.sessionCookie + "=" + id + "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" +
                           std::to_string(m.sessionSeconds) + (m.overTls(req) ? "; Secure" : ""));
        backToCommittee(res);
    });
    http.Post("/committee/logout", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        m.store.removeSession(Sha256Hex(CookieValue(req, m.sessionCookie)));
        m.store.record(who(member->user, req), "logged out", "");
        res.set_header("Set-Cookie", m.sessionCookie + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        backToCommittee(res);
    });
    http.Get(
        R"(/committee/submissions/(\d+)/file)", [this](const httplib::Request& req, httplib::Response& res) {
            auto member = committeePage(req, res, false);
            if (!member) return;
            auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
            auto submission = id ? m.store.submission(*id) : std::nullopt;
            auto bytes = submission ? m.files.read(submission->sha256) : std::nullopt;
            if (!bytes)
                return SendHtml(res, 404,
                                DeskMessagePage(req, "desk.history.not_found_title", "desk.history.no_file"));
            std::string name;
            for (char c : submission->call) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
            name += "-" + std::to_string(submission->id) + (submission->format == "ADIF" ? ".adi" : ".cbr");
            res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
            res.set_content(*bytes, "application/octet-stream");
        });
    http.Post("/committee/deadline", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        std::string error;
        auto when = parseDeadline(Field(req, "deadline"), error);
        if (!when)
            return showCommittee(
                req, *member, res,
                Text("desk.notice.deadline_not_moved", PageLanguage(req), {{"reason", error}}));
        moveDeadline(*when, who(member->user, req));
        backToCommittee(res);
    });
    http.Post("/committee/received-counts", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        const bool show = Field(req, "show") == "1";
        m.store.setSetting("received_counts", show ? "1" : "0", who(member->user, req),
                           show ? "the logs received show QSO counts and claimed scores"
                                : "the logs received show call, category and time only");
        backToCommittee(res);
    });
    http.Post("/committee/uploads", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        setReopened(Field(req, "open") == "1", who(member->user, req));
        backToCommittee(res);
    });
    http.Post("/committee/crosscheck", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        std::string error;
        auto rules = rulesOf([&](const char* name) { return Field(req, name); }, error);
        if (!rules)
            return showCommittee(
                req, *member, res,
                Text("desk.notice.crosscheck_not_started", PageLanguage(req), {{"reason", error}}));
        if (!m.job.start(*rules, who(member->user, req)))
            return showCommittee(req, *member, res,
                                 Text("desk.notice.crosscheck_running", PageLanguage(req)));
        backToCommittee(res);
    });
    http.Post(
        R"(/committee/runs/(\d+)/publish)", [this](const httplib::Request& req, httplib::Response& res) {
            auto member = committeePage(req, res, true);
            if (!member) return;
            auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
            if (!id || !publish(*id, who(member->user, req)))
                return showCommittee(req, *member, res, Text("desk.notice.only_finished", PageLanguage(req)));
            backToCommittee(res);
        });
    http.Get(R"(/committee/runs/(\d+)/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, false);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        if (!id)
            return SendHtml(res, 404,
                            DeskMessagePage(req, "desk.history.not_found_title", "desk.history.no_run"));
        m.serveRunFile(*id, req.matches[2], res);
    });
    http.Post("/committee/token", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeePage(req, res, true);
        if (!member) return;
        const auto days = TokenDaysOf(Field(req, "days"));
        if (!days)
            return showCommittee(
                req, *member, res,
                Text("desk.notice.no_token", PageLanguage(req), {{"reason", TokenDaysProblem()}}));
        const std::string token = makeApiToken(member->user, *days, req);
        showCommittee(req, *member, res,
                      Text("desk.notice.new_token", PageLanguage(req),
                           {{"days", std::to_string(*days)}, {"token", token}}));
    });

    addSearchRoutes(http);
    addMailRoutes(http);
    addMailApi(http);
    addContestRoutes(http);
    AddOwnershipRoutes(http, m.store, m.ownership, gate());
    AddAccountRoutes(http, m.accounts, gate(), m.sessionCookie);

    // The committee's API.
    http.Post("/api/committee/token", [this](const httplib::Request& req, httplib::Response& res) {
        const json body = json::parse(req.body, nullptr, false);
        const auto text = [&](const char* name) {
            if (!body.is_object()) return Field(req, name);
            return body.contains(name) && body[name].is_string() ? body[name].get<std::string>()
                                                                 : std::string();
        };
        std::string user = text("user"), password = text("password");
        if (user.empty()) user = kFirstMember;
        std::string daysText = text("days");
        if (body.is_object() && body.contains("days") && body["days"].is_number_integer())
            daysText = std::to_string(body["days"].get<std::int64_t>());
        const auto days = TokenDaysOf(daysText);
        if (!days) return SendJson(res, 400, {{"error", TokenDaysProblem()}});
        if (!m.loginLimiter.allow(m.clientAddress(req)))
            return SendJson(res, 429, {{"error", "too many logins from this address: wait a minute"}});
        if (!passwordOk(user, password)) {
            m.store.record(user, "login refused", m.clientAddress(req));
            return SendJson(res, 403, {{"error", "the member or password is wrong"}});
        }
        const std::string token = makeApiToken(user, *days, req);
        SendJson(res, 201, {{"token", token}, {"expiresAt", Now() + *days * 86400}});
    });
    http.Post("/api/committee/crosscheck", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeeApi(req, res);
        if (!member) return;
        const json body = json::parse(req.body.empty() ? "{}" : req.body, nullptr, false);
        if (!body.is_object()) return SendJson(res, 400, {{"error", "the body is not a JSON object"}});
        std::string error;
        auto rules = rulesOf(
            [&](const char* name) -> std::string {
                if (!body.contains(name)) return std::string(name) == "busted_calls" ? "1" : "";
                const json& v = body[name];
                if (v.is_boolean()) return v.get<bool>() ? "1" : "0";
                if (v.is_number_integer()) return std::to_string(v.get<std::int64_t>());
                return v.is_string() ? v.get<std::string>() : "x";
            },
            error);
        if (!rules) return SendJson(res, 400, {{"error", error}});
        auto id = m.job.start(*rules, who(member->user, req));
        if (!id) return SendJson(res, 409, {{"error", "a cross-check is running already"}});
        SendJson(res, 202, {{"run", *id}});
    });
    http.Get(R"(/api/committee/runs/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
        if (!committeeApi(req, res)) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        auto run = id ? m.store.run(*id) : std::nullopt;
        if (!run) return SendJson(res, 404, {{"error", "no such run"}});
        SendJson(res, 200, runJson(*run));
    });
    http.Post(R"(/api/committee/runs/(\d+)/publish)",
              [this](const httplib::Request& req, httplib::Response& res) {
                  auto member = committeeApi(req, res);
                  if (!member) return;
                  auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
                  if (!id || !publish(*id, who(member->user, req)))
                      return SendJson(res, 409, {{"error", "only a finished run can be published"}});
                  SendJson(res, 200, {{"published", *id}});
              });
    http.Post("/api/committee/deadline", [this](const httplib::Request& req, httplib::Response& res) {
        auto member = committeeApi(req, res);
        if (!member) return;
        const json body = json::parse(req.body, nullptr, false);
        if (!body.is_object()) return SendJson(res, 400, {{"error", "the body is not a JSON object"}});
        if (body.contains("deadline")) {
            std::string error;
            auto when = body["deadline"].is_string()
                            ? parseDeadline(body["deadline"].get<std::string>(), error)
                            : std::nullopt;
            if (!when)
                return SendJson(res, 400, {{"error", error.empty() ? "the deadline is not a text" : error}});
            moveDeadline(*when, who(member->user, req));
        }
        if (body.contains("reopened") && body["reopened"].is_boolean())
            setReopened(body["reopened"].get<bool>(), who(member->user, req));
        const ContestView contest = m.contestView();
        SendJson(res, 200, {{"deadline", FormatUnixUtc(contest.deadline)}, {"open", contest.open}});
    });
}
