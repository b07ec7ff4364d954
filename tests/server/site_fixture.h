#pragma once

#include <httplib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "server/secrets.h"
#include "server/site_server.h"
#include "server/site_store.h"

// A site served on a free port of 127.0.0.1 from a fresh data folder, for one test.
class RunningSite {
public:
    explicit RunningSite(std::function<void(SiteConfig&)> adjust = {}) {
        StartSodium();
        folder = std::filesystem::temp_directory_path() /
                 ("zelk-server-test-" + std::to_string(::getpid()) + "-" + RandomToken(4));
        SiteConfig config;
        config.dataDir = folder;
        config.contest.districtList = ReadText(std::string(ZELK_SAMPLES_DIR) + "/zelk.txt");
        config.contest.start = MakeOleDate(2017, 5, 5, 21, 0);
        config.contest.end = MakeOleDate(2017, 5, 6, 3, 0);
        config.deadline = std::time(nullptr) + 3600;
        config.uploadsPerMinute = 0;
        config.threads = 64;
        config.checkWorker = ZELK_CHECK_WORKER_BINARY;
        config.quietAccessLog = true;
        if (adjust) adjust(config);
        server = std::make_unique<SiteServer>(config);
        port = server->bind("127.0.0.1", 0);
        thread = std::thread([this] { server->run(); });
        client().Get("/");  // the server answers once it is listening: the client waits for that
    }
    ~RunningSite() {
        server->stop();
        thread.join();
        server.reset();
        std::filesystem::remove_all(folder);
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_connection_timeout(10);
        c.set_read_timeout(30);
        return c;
    }
    std::string password() const {
        std::string text = ReadText(folder / "committee-password.txt");
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    // A committee session: its cookie header and its CSRF token (read off the committee page).
    struct Session {
        httplib::Headers headers;
        std::string csrf;
    };
    Session login() const { return login("committee", password()); }
    Session login(const std::string& user, const std::string& password) const {
        auto c = client();
        auto res = c.Post("/committee/login", httplib::Params{{"user", user}, {"password", password}});
        Session session;
        if (!res || res->status != 303) return session;
        const std::string cookie = res->get_header_value("Set-Cookie");
        session.headers = {{"Cookie", cookie.substr(0, cookie.find(';'))}};
        auto page = c.Get("/committee", session.headers);
        const std::string marker = "name=\"csrf\" value=\"";
        const std::size_t at = page->body.find(marker);
        if (at != std::string::npos) session.csrf = page->body.substr(at + marker.size(), 64);
        return session;
    }
    std::string apiToken() const {
        auto res = client().Post("/api/committee/token", "{\"password\":\"" + password() + "\"}", "application/json");
        if (!res || res->status != 201) return {};
        return nlohmann::json::parse(res->body)["token"];
    }

    static std::string ReadText(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::filesystem::path folder;
    std::unique_ptr<SiteServer> server;
    int port = -1;
    std::thread thread;
};

inline httplib::Result UploadLog(const httplib::Client& constClient, const std::string& text, const std::string& path = "/api/logs",
                                 const std::string& email = "op@example.org") {
    auto& client = const_cast<httplib::Client&>(constClient);
    return client.Post(path.c_str(), httplib::MultipartFormDataItems{{"log", text, "log.cbr", "application/octet-stream"},
                                                                    {"email", email, "", ""}});
}

// A corrected log sent with a receipt's secret (or its link), as the receipt page's form sends it.
inline httplib::Result UploadCorrectedLog(const httplib::Client& constClient, const std::string& text, const std::string& receipt,
                                          const std::string& path = "/api/logs") {
    auto& client = const_cast<httplib::Client&>(constClient);
    return client.Post(path.c_str(), httplib::MultipartFormDataItems{{"log", text, "log.cbr", "application/octet-stream"},
                                                                    {"receipt", receipt, "", ""}});
}

// A Cabrillo log of `call` with the QSO lines given.
inline std::string CabrilloLog(const std::string& call, const std::string& qsoLines,
                               const std::string& category = "CATEGORY-OPERATOR: SINGLE-OP") {
    return "START-OF-LOG: 3.0\nCONTEST: ZELK\nCALLSIGN: " + call + "\n" + (category.empty() ? "" : category + "\n") +
           qsoLines + "END-OF-LOG:\n";
}

// Waits until `ready` holds, polling; false after a generous while.
inline bool WaitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 1200; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
