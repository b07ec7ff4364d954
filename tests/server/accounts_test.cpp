#include <nlohmann/json.hpp>

#include <cstdio>

#include "server/member_accounts.h"
#include "site_fixture.h"

using nlohmann::json;

namespace {

const char* kAnnaPassword = "anna-password-1";

bool Opens(const RunningSite& site, const httplib::Headers& headers) {
    return site.client().Get("/committee/submissions/1", headers)->status != 401;
}

bool TokenWorks(const RunningSite& site, const std::string& token) {
    return site.client().Get("/api/committee/submissions", {{"Authorization", "Bearer " + token}})->status == 200;
}

std::string TokenOf(const RunningSite& site, const std::string& user, const std::string& password, const std::string& days = {}) {
    json body = {{"user", user}, {"password", password}};
    if (!days.empty()) body["days"] = days;
    auto res = site.client().Post("/api/committee/token", body.dump(), "application/json");
    return res && res->status == 201 ? json::parse(res->body)["token"].get<std::string>() : std::string();
}

TEST(Accounts, EveryNewFormAndEndpointNeedsASessionWithItsCsrfTokenOrAToken) {
    RunningSite site;
    auto c = site.client();
    const char* forms[] = {"/committee/members", "/committee/members/remove", "/committee/password", "/committee/tokens/1/revoke",
                           "/committee/submissions/1/accept", "/committee/submissions/1/reject",
                           "/committee/submissions/1/restore", "/committee/submissions/1/standing"};
    const auto session = site.login();
    for (const char* path : forms) {
        SCOPED_TRACE(path);
        const httplib::Params params = {{"user", "mallory"}, {"password", "mallory-password"}, {"standing", "dq"}};
        EXPECT_EQ(c.Post(path, params)->status, 401);
        EXPECT_EQ(c.Post(path, session.headers, params)->status, 403);
        auto forged = params;
        forged.emplace("csrf", session.csrf.substr(0, 1));
        EXPECT_EQ(c.Post(path, session.headers, forged)->status, 403);
    }
    const httplib::Headers none;
    for (const auto& [method, path] : std::vector<std::pair<std::string, std::string>>{
             {"GET", "/api/committee/members"}, {"POST", "/api/committee/members"}, {"DELETE", "/api/committee/members/committee"},
             {"POST", "/api/committee/password"}, {"GET", "/api/committee/tokens"}, {"DELETE", "/api/committee/tokens/1"},
             {"GET", "/api/committee/pending"}, {"POST", "/api/committee/submissions/1/accept"},
             {"POST", "/api/committee/submissions/1/standing"}, {"GET", "/api/committee/submissions/1/history"}}) {
        SCOPED_TRACE(method + " " + path);
        httplib::Request req;
        req.method = method;
        req.path = path;
        req.headers = {{"Authorization", "Bearer " + std::string(64, 'b')}};
        auto res = c.send(req);
        EXPECT_EQ(res->status, 401);
    }
    EXPECT_EQ(MemberAccounts(site.server->store()).members().size(), 1u);
}

TEST(Accounts, MembersAreAddedAndRemovedAndARemovedMemberLosesSessionsAndTokens) {
    RunningSite site;
    auto c = site.client();
    const auto committee = site.login();
    struct Addition {
        const char* user;
        std::string password;
        std::string notice;
    };
    const Addition additions[] = {
        {"anna", kAnnaPassword, "Member anna added."},
        {"anna", kAnnaPassword, "there is a member anna already"},
        {"bob", "short", "at least 10 characters"},
        {"<b>x</b>", kAnnaPassword, "only letters, digits"},
        {"", kAnnaPassword, "1 to 32 characters"},
        {"bob", std::string(2000, 'p'), "at most 1024 characters"},
    };
    for (const Addition& a : additions) {
        SCOPED_TRACE(a.user);
        auto res = c.Post("/committee/members", committee.headers,
                          httplib::Params{{"csrf", committee.csrf}, {"user", a.user}, {"password", a.password}});
        EXPECT_EQ(res->status, 200);
        EXPECT_NE(res->body.find(a.notice), std::string::npos);
    }
    const auto members = MemberAccounts(site.server->store()).members();
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].user, "anna");

    const auto anna = site.login("anna", kAnnaPassword);
    ASSERT_FALSE(anna.csrf.empty());
    const std::string annasToken = TokenOf(site, "anna", kAnnaPassword);
    EXPECT_TRUE(TokenWorks(site, annasToken));
    EXPECT_NE(c.Get("/committee", anna.headers)->body.find("Logged in as anna"), std::string::npos);

    // Nobody removes himself, and anna's removal ends her session and her token at once.
    auto self = c.Post("/committee/members/remove", anna.headers, httplib::Params{{"csrf", anna.csrf}, {"user", "anna"}});
    EXPECT_NE(self->body.find("cannot remove yourself"), std::string::npos);
    auto removed = c.Post("/committee/members/remove", committee.headers, httplib::Params{{"csrf", committee.csrf}, {"user", "anna"}});
    EXPECT_NE(removed->body.find("Member anna removed"), std::string::npos);
    EXPECT_FALSE(Opens(site, anna.headers));
    EXPECT_FALSE(TokenWorks(site, annasToken));
    EXPECT_EQ(c.Post("/committee/login", httplib::Params{{"user", "anna"}, {"password", kAnnaPassword}})->status, 403);
    EXPECT_TRUE(Opens(site, committee.headers));

    // The API: add, list, remove; the last member stays.
    const httplib::Headers bearer = {{"Authorization", "Bearer " + site.apiToken()}};
    EXPECT_EQ(c.Post("/api/committee/members", bearer, json{{"user", "carl"}, {"password", "carl-password"}}.dump(), "application/json")
                  ->status,
              201);
    EXPECT_EQ(c.Post("/api/committee/members", bearer, R"({"user":["x"],"password":7})", "application/json")->status, 400);
    EXPECT_EQ(json::parse(c.Get("/api/committee/members", bearer)->body)["members"].size(), 2u);
    EXPECT_EQ(c.Delete("/api/committee/members/committee", bearer)->status, 409);
    EXPECT_EQ(c.Delete("/api/committee/members/carl", bearer)->status, 200);
    EXPECT_FALSE(MemberAccounts(site.server->store()).remove("committee", "test")) << "the last member stays";

    std::vector<std::string> actions;
    for (const AuditEntry& entry : site.server->store().auditLog(50)) actions.push_back(entry.action);
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "member added"), 2);
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "member removed"), 2);
}

TEST(Accounts, APasswordChangeNeedsTheCurrentOneAndEndsEverySessionOfTheMember) {
    RunningSite site;
    auto c = site.client();
    const std::string old = site.password();
    const auto first = site.login(), second = site.login();
    const std::string token = site.apiToken();
    struct Change {
        const char* name;
        std::string old, fresh, repeat;
        std::string notice;
    };
    const Change refused[] = {
        {"wrong current password", "wrong-password", "new-password-1", "new-password-1", "the current password is wrong"},
        {"repetition differs", old, "new-password-1", "new-password-2", "differ"},
        {"too short", old, "short", "short", "at least 10 characters"},
    };
    for (const Change& change : refused) {
        SCOPED_TRACE(change.name);
        auto res = c.Post("/committee/password", first.headers,
                          httplib::Params{{"csrf", first.csrf}, {"old", change.old}, {"new", change.fresh}, {"repeat", change.repeat}});
        EXPECT_NE(res->body.find(change.notice), std::string::npos);
        EXPECT_TRUE(Opens(site, first.headers));
    }
    auto changed = c.Post("/committee/password", first.headers,
                          httplib::Params{{"csrf", first.csrf}, {"old", old}, {"new", "new-password-1"}, {"repeat", "new-password-1"}});
    EXPECT_NE(changed->body.find("every session of yours ended"), std::string::npos);
    EXPECT_NE(changed->get_header_value("Set-Cookie").find("Max-Age=0"), std::string::npos);
    EXPECT_FALSE(Opens(site, first.headers));
    EXPECT_FALSE(Opens(site, second.headers));
    EXPECT_EQ(c.Post("/committee/login", httplib::Params{{"user", "committee"}, {"password", old}})->status, 403);
    const auto again = site.login("committee", "new-password-1");
    EXPECT_TRUE(Opens(site, again.headers));
    EXPECT_TRUE(TokenWorks(site, token)) << "API tokens outlive a password change; they are revoked one by one";

    // Through the API: the same rules, and the sessions end too.
    const httplib::Headers bearer = {{"Authorization", "Bearer " + token}};
    EXPECT_EQ(c.Post("/api/committee/password", bearer, R"({"old":"wrong-password","new":"new-password-2"})", "application/json")->status,
              400);
    EXPECT_EQ(c.Post("/api/committee/password", bearer, R"({"old":"new-password-1","new":"new-password-2"})", "application/json")->status,
              200);
    EXPECT_FALSE(Opens(site, again.headers));
}

TEST(Accounts, ApiTokensExpireAndAreListedAndRevocable) {
    RunningSite site;
    auto c = site.client();
    const std::int64_t now = std::time(nullptr);
    for (const char* days : {"0", "367", "x", "-1", "99999999999"})
        EXPECT_EQ(c.Post("/api/committee/token", json{{"password", site.password()}, {"days", days}}.dump(), "application/json")->status,
                  400)
            << days;
    auto made = c.Post("/api/committee/token", json{{"password", site.password()}, {"days", 1}}.dump(), "application/json");
    ASSERT_EQ(made->status, 201);
    const std::string token = json::parse(made->body)["token"];
    EXPECT_NEAR(json::parse(made->body)["expiresAt"].get<std::int64_t>(), now + 86400, 60);
    const std::string lasting = site.apiToken();  // the default: 30 days
    const httplib::Headers bearer = {{"Authorization", "Bearer " + lasting}};

    // Tokens past their expiry, one dated 1970 among them, open nothing.
    SiteStore& store = site.server->store();
    for (const std::int64_t expiry : {std::int64_t{0}, std::int64_t{86400}, now - 1, now}) {
        const std::string old = RandomToken();
        store.addApiToken(Sha256Hex(old), "committee", expiry);
        EXPECT_FALSE(TokenWorks(site, old)) << expiry;
    }

    const json listed = json::parse(c.Get("/api/committee/tokens", bearer)->body)["tokens"];
    ASSERT_EQ(listed.size(), 2u) << "expired tokens are not listed";
    EXPECT_NEAR(listed[0]["expiresAt"].get<std::int64_t>(), now + 30 * 86400, 60);
    EXPECT_EQ(listed[0].dump().find(lasting), std::string::npos) << "the secret is never shown again";
    const std::int64_t shortId = listed[1]["id"];

    EXPECT_EQ(c.Delete(("/api/committee/tokens/" + std::to_string(shortId)).c_str(), bearer)->status, 200);
    EXPECT_FALSE(TokenWorks(site, token));
    EXPECT_EQ(c.Delete(("/api/committee/tokens/" + std::to_string(shortId)).c_str(), bearer)->status, 404);

    // On the page: made with a chosen life, listed, revoked with the form.
    const auto session = site.login();
    auto page = c.Post("/committee/token", session.headers, httplib::Params{{"csrf", session.csrf}, {"days", "7"}});
    EXPECT_NE(page->body.find("valid 7 days"), std::string::npos);
    EXPECT_NE(page->body.find("/committee/tokens/"), std::string::npos);
    EXPECT_NE(c.Post("/committee/token", session.headers, httplib::Params{{"csrf", session.csrf}, {"days", "0"}})->body.find("No token was made"),
              std::string::npos);
    const std::int64_t lastingId = json::parse(c.Get("/api/committee/tokens", bearer)->body)["tokens"][1]["id"];
    auto revoked = c.Post(("/committee/tokens/" + std::to_string(lastingId) + "/revoke").c_str(), session.headers,
                          httplib::Params{{"csrf", session.csrf}});
    EXPECT_NE(revoked->body.find("revoked"), std::string::npos);
    EXPECT_FALSE(TokenWorks(site, lasting));
}

// Runs `zelk-server member ...` with `input` on its standard input; its exit status.
int MemberCommand(const std::string& arguments, const std::string& input) {
    const std::string command = std::string(ZELK_SERVER_BINARY) + " member " + arguments + " >/dev/null 2>&1";
    FILE* pipe = ::popen(command.c_str(), "w");
    if (!pipe) return -1;
    std::fwrite(input.data(), 1, input.size(), pipe);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Accounts, TheMemberCommandAddsRemovesAndSetsPasswordsBesideARunningSite) {
    // A data folder whose first member was made by the command: the site makes no password of its own.
    RunningSite site([](SiteConfig& config) {
        EXPECT_EQ(MemberCommand("--data " + config.dataDir.string() + " add chair --password-stdin", "chair-password\n"), 0);
    });
    EXPECT_TRUE(site.server->firstPasswordFile().empty());
    EXPECT_FALSE(std::filesystem::exists(site.folder / "committee-password.txt"));
    const std::string data = "--data " + site.folder.string();
    const auto chair = site.login("chair", "chair-password");
    ASSERT_FALSE(chair.csrf.empty());

    struct Run {
        std::string arguments, input;
        int status;
    };
    const Run runs[] = {
        {"add anna --password-stdin", std::string(kAnnaPassword) + "\r\n", 0},
        {"add anna --password-stdin", std::string(kAnnaPassword) + "\n", 1},
        {"add 'a b' --password-stdin", std::string(kAnnaPassword) + "\n", 2},
        {"add bob --password-stdin", "short\n", 2},
        {"password nobody --password-stdin", "nobody-password\n", 1},
        {"remove nobody", "", 1},
    };
    for (const Run& run : runs) EXPECT_EQ(MemberCommand(data + " " + run.arguments, run.input), run.status) << run.arguments;
    EXPECT_NE(MemberCommand(data + " frobnicate", ""), 0);
    const auto anna = site.login("anna", kAnnaPassword);
    ASSERT_FALSE(anna.csrf.empty());

    EXPECT_EQ(MemberCommand(data + " password chair --password-stdin", "chair-password-2\n"), 0);
    EXPECT_FALSE(Opens(site, chair.headers)) << "a password set by the command ends the member's sessions";
    EXPECT_EQ(MemberCommand(data + " remove anna", ""), 0);
    EXPECT_FALSE(Opens(site, anna.headers));
    EXPECT_EQ(MemberCommand(data + " remove chair", ""), 1) << "the last member stays";
    EXPECT_FALSE(site.login("chair", "chair-password-2").csrf.empty());
}

}  // namespace
