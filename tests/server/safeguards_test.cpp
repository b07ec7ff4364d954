#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "server/listen_address.h"
#include "server/sqlite_db.h"
#include "site_fixture.h"

extern char** environ;

namespace {

// Forged CSRF tokens, each near the real one: all refused, and nothing changes.
TEST(Safeguards, EveryNearMissOfTheCsrfTokenIsRefused) {
    RunningSite site;
    auto c = site.client();
    const auto session = site.login();
    ASSERT_EQ(session.csrf.size(), 64u);
    std::string lastChanged = session.csrf;
    lastChanged.back() = lastChanged.back() == '0' ? '1' : '0';
    const std::pair<const char*, std::string> forgeries[] = {
        {"its first character", session.csrf.substr(0, 1)},
        {"all but its last character", session.csrf.substr(0, 63)},
        {"the token and one more", session.csrf + "0"},
        {"its last character changed", lastChanged},
        {"twice the token", session.csrf + session.csrf},
    };
    for (const auto& [name, csrf] : forgeries) {
        auto res = c.Post("/committee/deadline", session.headers, httplib::Params{{"deadline", "2017-01-01"}, {"csrf", csrf}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 403) << name;
    }
    for (const AuditEntry& entry : site.server->store().auditLog(20))
        EXPECT_FALSE(entry.action == "set deadline" && entry.who != "zelk-server") << entry.who;
}

// A session's twelve hours are the server's to enforce, not the cookie's Max-Age.
TEST(Safeguards, AnExpiredSessionOpensNoCommitteePage) {
    RunningSite site;
    auto c = site.client();
    const auto session = site.login();
    ASSERT_FALSE(session.csrf.empty());
    ASSERT_NE(c.Get("/committee", session.headers)->body.find("name=\"csrf\""), std::string::npos);
    {
        // The session made twelve hours and a second ago.
        Database db((site.folder / "zelk-server.db").string());
        db.prepare("UPDATE sessions SET expires_at = ?").bind(1, static_cast<std::int64_t>(std::time(nullptr)) - 1).run();
    }
    auto page = c.Get("/committee", session.headers);
    EXPECT_EQ(page->body.find("name=\"csrf\""), std::string::npos) << "the committee page opened";
    EXPECT_EQ(c.Get("/committee/submissions/1", session.headers)->status, 401);
    EXPECT_EQ(c.Post("/committee/deadline", session.headers, httplib::Params{{"deadline", "2017-01-01"}, {"csrf", session.csrf}})
                  ->status,
              401);
}

TEST(Safeguards, TheAccessLogHasEachRequestWithReceiptSecretsMasked) {
    RunningSite site([](SiteConfig& config) { config.accessLogFile = config.dataDir.string() + "-access.log"; });
    auto res = UploadLog(site.client(), CabrilloLog("UT5ZZ", "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n"));
    ASSERT_EQ(res->status, 201);
    const std::string receipt = nlohmann::json::parse(res->body)["receipt"];
    const std::string secret = receipt.substr(9);
    site.client().Get(receipt.c_str());
    site.client().Get(("/api/receipts/" + secret).c_str());
    site.client().Get("/no-such-page\r\nforged line");
    // Each line is written once its answer is sent: the client may read the answer first.
    std::string log;
    EXPECT_TRUE(WaitFor([&] {
        log = RunningSite::ReadText(site.folder.string() + "-access.log");
        return std::count(log.begin(), log.end(), '\n') >= 5;
    })) << log;
    std::filesystem::remove(site.folder.string() + "-access.log");
    EXPECT_EQ(log.find(secret), std::string::npos) << log;
    EXPECT_NE(log.find(" 127.0.0.1 POST /api/logs 201 "), std::string::npos) << log;
    EXPECT_NE(log.find(" 127.0.0.1 GET /receipt/*** 200 "), std::string::npos) << log;
    EXPECT_NE(log.find(" GET /api/receipts/*** 200 "), std::string::npos) << log;
    EXPECT_EQ(log.find("\nforged line"), std::string::npos) << log;
    EXPECT_NE(log.find("ms\n"), std::string::npos) << log;
}

TEST(Safeguards, OneSitePerDataFolderAndPerPort) {
    RunningSite site;
    SiteConfig config;
    config.dataDir = site.folder;
    config.checkWorker = ZELK_CHECK_WORKER_BINARY;
    EXPECT_THROW(SiteServer{config}, std::runtime_error) << "a second server on the same data folder";

    config.dataDir = site.folder.string() + "-other";
    {
        SiteServer other(config);
        EXPECT_EQ(other.bind("127.0.0.1", site.port), -1) << "a second server on the same port";
    }
    std::filesystem::remove_all(config.dataDir);
}

// zelk-server's refusals at its start: a clear message, and exit 2 where the site cannot run.
TEST(Safeguards, TheProgramRefusesWhatCannotRunWithAMessage) {
    RunningSite site;
    const std::string districts = std::string(ZELK_SAMPLES_DIR) + "/zelk.txt", busy = "127.0.0.1:" + std::to_string(site.port),
                      other = site.folder.string() + "-other";
    struct Start {
        const char* name;
        std::vector<std::string> options;
        int exitCode;
        std::string said;
    };
    const Start starts[] = {
        {"busy port", {"--data", other, "--listen", busy}, 2, "port is in use"},
        {"data folder in use", {"--data", site.folder.string(), "--listen", "127.0.0.1:0"}, 2, "is in use by another zelk-server"},
        {"no threads", {"--data", other, "--threads", "0"}, -1, "--threads"},
        {"unknown service", {"--data", other, "--listen", "127.0.0.1:no-such-service"}, 2, "neither a port number nor"},
        {"relay of another scheme", {"--data", other, "--smtp", "http://127.0.0.1:25", "--mail-from", "z@example.org"}, 2,
         "no smtp:// or smtps:// URL"},
        {"relay without a sender", {"--data", other, "--smtp", "smtp://127.0.0.1:25"}, 2, "--smtp needs --mail-from"},
        {"sender of no address", {"--data", other, "--mail-from", "zelk"}, 2, "is no mail address"},
        {"public URL without a scheme", {"--data", other, "--public-url", "logs.example.org"}, 2, "does not start with http"},
        {"unsound category table", {"--data", other, "--categories", districts}, 2, "--categories"},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        std::vector<std::string> args = {ZELK_SERVER_BINARY, "--districts", districts, "--start", "2017-05-05 21:00",
                                         "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00"};
        args.insert(args.end(), start.options.begin(), start.options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string output = other + ".out";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, ZELK_SERVER_BINARY, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        if (start.exitCode >= 0) EXPECT_EQ(WEXITSTATUS(status), start.exitCode);
        else EXPECT_NE(WEXITSTATUS(status), 0);
        const std::string said = RunningSite::ReadText(output);
        EXPECT_NE(said.find(start.said), std::string::npos) << said;
        EXPECT_EQ(said.find("serving"), std::string::npos) << said;
        std::filesystem::remove(output);
    }
    std::filesystem::remove_all(other);
}

TEST(Safeguards, ListenAddressesByNumberOrServiceName) {
    struct Case {
        const char* text;
        std::string host;
        int port;  // -1: refused
    };
    const Case cases[] = {
        {"127.0.0.1:8080", "127.0.0.1", 8080}, {"127.0.0.1:http", "127.0.0.1", 80}, {"[::1]:0", "::1", 0},
        {"127.0.0.1:65536", "", -1},           {"127.0.0.1:", "", -1},              {"8080", "", -1},
        {"127.0.0.1:-5", "", -1},             {"127.0.0.1:no-such-service", "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto address = ParseListenAddress(c.text, error);
        if (c.port < 0) {
            EXPECT_FALSE(address);
            EXPECT_NE(error.find("--listen"), std::string::npos);
        } else {
            ASSERT_TRUE(address) << error;
            EXPECT_EQ(address->host, c.host);
            EXPECT_EQ(address->port, c.port);
        }
    }
}

}  // namespace
