#include <nlohmann/json.hpp>

#include <ctime>

#include "server/committee_routes.h"
#include "server/committee_pages.h"
#include "server/http_replies.h"
#include "server/secrets.h"
#include "server/site_pages.h"

using nlohmann::json;

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::string BodyText(const json& body, const char* name) {
    return body.is_object() && body.contains(name) && body[name].is_string() ? body[name].get<std::string>() : std::string();
}

// Why the member cannot be added; empty when added.
std::string AddMember(MemberAccounts& accounts, const std::string& user, const std::string& password, const std::string& who) {
    if (std::string problem = MemberNameProblem(user); !problem.empty()) return problem;
    if (std::string problem = PasswordProblem(password); !problem.empty()) return problem;
    if (!accounts.add(user, HashPassword(password), who)) return "there is a member " + user + " already";
    return {};
}

// Why the password was not changed; empty when changed (and every session of the member ended).
std::string ChangePassword(MemberAccounts& accounts, const CommitteeGate& gate, const std::string& user,
                           const std::string& old, const std::string& fresh, const std::string& who) {
    if (!gate.passwordOk(user, old)) return "the current password is wrong";
    if (std::string problem = PasswordProblem(fresh); !problem.empty()) return problem;
    if (fresh == old) return "the new password is the current one";
    if (!accounts.setPassword(user, HashPassword(fresh), who)) return "there is no such member";
    return {};
}

json TokenJson(const ApiTokenRecord& token) {
    return {{"id", token.id}, {"user", token.user}, {"createdAt", token.createdAt}, {"expiresAt", token.expiresAt}};
}

}  // namespace

void AddAccountRoutes(httplib::Server& http, MemberAccounts& accounts, const CommitteeGate& gate,
                      const std::string& sessionCookie) {
    http.Post("/committee/members", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, true);
        if (!member) return;
        const std::string user = Field(req, "user");
        const std::string problem = AddMember(accounts, user, Field(req, "password"), gate.who(member->user, req));
        gate.showCommittee(req, *member, res,
                           problem.empty() ? Text("desk.notice.member_added", PageLanguage(req), {{"user", user}})
                                           : Text("desk.notice.member_not_added", PageLanguage(req), {{"reason", problem}}));
    });
    http.Post("/committee/members/remove", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, true);
        if (!member) return;
        const std::string user = Field(req, "user");
        if (user == member->user) return gate.showCommittee(req, *member, res, Text("desk.notice.not_yourself", PageLanguage(req)));
        const bool removed = accounts.remove(user, gate.who(member->user, req));
        gate.showCommittee(req, *member, res,
                           removed ? Text("desk.notice.member_removed", PageLanguage(req), {{"user", user}})
                                   : Text("desk.notice.nobody_removed", PageLanguage(req)));
    });
    http.Post("/committee/password", [&accounts, gate, sessionCookie](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, true);
        if (!member) return;
        const std::string fresh = Field(req, "new");
        if (fresh != Field(req, "repeat"))
            return gate.showCommittee(req, *member, res, Text("desk.notice.passwords_differ", PageLanguage(req)));
        const std::string problem =
            ChangePassword(accounts, gate, member->user, Field(req, "old"), fresh, gate.who(member->user, req));
        if (!problem.empty())
            return gate.showCommittee(req, *member, res, Text("desk.notice.password_not_changed", PageLanguage(req), {{"reason", problem}}));
        res.set_header("Set-Cookie", sessionCookie + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        SendHtml(res, 200, LoginPage(Text("desk.notice.password_changed", PageLanguage(req)), PageLanguage(req)));
    });
    http.Post(R"(/committee/tokens/(\d+)/revoke)", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, true);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        const bool revoked = id && accounts.revokeToken(*id, gate.who(member->user, req));
        gate.showCommittee(req, *member, res,
                           revoked ? Text("desk.notice.token_revoked", PageLanguage(req), {{"number", std::to_string(*id)}})
                                   : Text("desk.notice.no_such_token", PageLanguage(req)));
    });

    http.Get("/api/committee/members", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        if (!gate.api(req, res)) return;
        json list = json::array();
        for (const MemberRecord& member : accounts.members())
            list.push_back({{"user", member.user}, {"createdAt", member.createdAt}});
        SendJson(res, 200, {{"members", list}});
    });
    http.Post("/api/committee/members", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.api(req, res);
        if (!member) return;
        const json body = JsonBody(req);
        const std::string problem =
            AddMember(accounts, BodyText(body, "user"), BodyText(body, "password"), gate.who(member->user, req));
        if (!problem.empty()) return SendJson(res, 400, {{"error", problem}});
        SendJson(res, 201, {{"user", BodyText(body, "user")}});
    });
    http.Delete(R"(/api/committee/members/([^/]+))", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.api(req, res);
        if (!member) return;
        const std::string user = req.matches[1];
        if (user == member->user) return SendJson(res, 409, {{"error", "a member cannot remove itself"}});
        if (!accounts.remove(user, gate.who(member->user, req)))
            return SendJson(res, 404, {{"error", "no such member, or the last one"}});
        SendJson(res, 200, {{"removed", user}});
    });
    http.Post("/api/committee/password", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.api(req, res);
        if (!member) return;
        const json body = JsonBody(req);
        const std::string problem = ChangePassword(accounts, gate, member->user, BodyText(body, "old"), BodyText(body, "new"),
                                                   gate.who(member->user, req));
        if (!problem.empty()) return SendJson(res, 400, {{"error", problem}});
        SendJson(res, 200, {{"changed", member->user}, {"sessionsEnded", true}});
    });
    http.Get("/api/committee/tokens", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        if (!gate.api(req, res)) return;
        json list = json::array();
        for (const ApiTokenRecord& token : accounts.tokens(Now())) list.push_back(TokenJson(token));
        SendJson(res, 200, {{"tokens", list}});
    });
    http.Delete(R"(/api/committee/tokens/(\d+))", [&accounts, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.api(req, res);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        if (!id || !accounts.revokeToken(*id, gate.who(member->user, req))) return SendJson(res, 404, {{"error", "no such token"}});
        SendJson(res, 200, {{"revoked", *id}});
    });
}
