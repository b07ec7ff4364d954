#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "crosscheck/contest_categories.h"
#include "server/check_runner.h"
#include "server/guarded_http_server.h"
#include "server/mail_worker.h"
#include "server/smtp_transport.h"
#include "server/upload_check.h"

class SiteStore;

struct SiteConfig {
    std::filesystem::path dataDir;
    ContestRules contest;
    std::string contestName = "ZELK";  // as the texts use it: "the ZELK contest", "змагання ZELK"
    std::int64_t deadline = 0;  // seconds since 1970; the command line's, used until the committee moves it
    std::size_t maxUploadBytes = 10 * 1024 * 1024;
    int uploadsPerMinute = 20;  // per client address; 0: no limit
    int loginsPerMinute = 5;
    int threads = 512;  // connections served at once, each on a thread; past it they wait
    ConnectionLimits connections;
    CheckLimits checks;
    std::filesystem::path checkWorker;  // zelk-check-worker; empty: the one beside this program
    std::filesystem::path accessLogFile, errorLogFile;  // empty: standard error only
    bool quietAccessLog = false;  // no access lines on standard error (the file, when given, has them)
    bool behindProxy = false;     // the client's address is the last X-Forwarded-For entry; https from X-Forwarded-Proto
    bool secureCookies = false;   // the site is served over TLS: cookies are Secure
    bool publicUbnReports = false;  // everybody may read every log's report once published
    // Receipts are e-mailed through this relay; with no URL they wait in the queue until a start with one.
    SmtpSettings smtp;
    MailSenderSettings mailSender{"zelk-server@localhost", "", 20, 60, 3600};
    std::string publicUrl;  // "https://logs.example.org": the start of the links in mails; empty: the request's Host
    std::shared_ptr<const CategoryTable> categories;  // the contest's; null: the ZELK table
    std::string categoriesJson;  // the JSON `categories` was read from, for the committee to start from
};

// The log-submission site: participants' uploads with their instant check and receipt, the list
// of logs received, the committee's pages and the API, on one HTTP server.
class SiteServer {
public:
    explicit SiteServer(SiteConfig config);
    ~SiteServer();
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    // Binds the address; port 0 takes a free port. The port bound, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop(); false when it could not.
    bool run();
    void stop();

    // Where the committee's first password was written, when this start made one; else empty.
    const std::filesystem::path& firstPasswordFile() const;
    SiteStore& store();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
