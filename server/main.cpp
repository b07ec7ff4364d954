#include <CLI/CLI.hpp>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "checker/command_values.h"
#include "server/listen_address.h"
#include "server/member_command.h"
#include "server/secrets.h"
#include "server/site_server.h"
#include "server/smtp_transport.h"
#include "stats_version.h"

namespace {

SiteServer* g_server = nullptr;

void StopOnSignal(int) {
    if (g_server) g_server->stop();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "member") return RunMemberCommand(argc - 1, argv + 1);
    CLI::App app("The ZELK contest committee's log-submission site: participants upload their logs and see the "
                 "check at once; the committee runs the cross-check and publishes the results.",
                 "zelk-server");
    app.footer("The committee's members: zelk-server member --help");
    std::string dataDir, districts, start, end, deadline, listen = "127.0.0.1:8080";
    SiteConfig config;
    std::size_t maxUploadMb = 10;
    app.set_version_flag("--version", std::string("zelk-server ") + kStatsVersion);
    app.add_option("--data", dataDir, "Folder of the site's database and files (created)")->required()->option_text("DIR");
    app.add_option("--districts", districts, "The contest's district list (zelk.txt)")->required()->option_text("FILE");
    app.add_option("--start", start, "Contest start \"YYYY-MM-DD HH:MM\" (UTC)")->required()->option_text("DATE");
    app.add_option("--end", end, "Contest end \"YYYY-MM-DD HH:MM\" (UTC)")->required()->option_text("DATE");
    app.add_option("--deadline", deadline, "Log deadline \"YYYY-MM-DD HH:MM\" (UTC); the committee may move it later")
        ->required()
        ->option_text("DATE");
    app.add_option("--listen", listen, "Address and port to serve on (port 0: any free port)")->option_text("ADDR:PORT (127.0.0.1:8080)");
    app.add_option("--max-upload-mb", maxUploadMb, "Largest log taken, in MB")->option_text("MB (10)");
    app.add_option("--uploads-per-minute", config.uploadsPerMinute, "Uploads a minute from one address (0: no limit)")
        ->option_text("N (20)");
    app.add_option("--logins-per-minute", config.loginsPerMinute, "Committee logins a minute from one address")
        ->option_text("N (5)");
    app.add_option("--threads", config.threads, "Connections served at once; more wait")
        ->check(CLI::Range(1, 100000))
        ->option_text("N (512)");
    app.add_option("--connections-per-address", config.connections.perAddress,
                   "Connections open at once from one client address (0: no cap; not applied behind a proxy)")
        ->check(CLI::NonNegativeNumber)
        ->option_text("N (32)");
    app.add_option("--request-seconds", config.connections.requestSeconds,
                   "A whole request (headers and body) must arrive within this")
        ->check(CLI::Range(1, 3600))
        ->option_text("S (30)");
    app.add_option("--checks-at-once", config.checks.atOnce, "Uploads checked at once (each in a process of its own)")
        ->check(CLI::Range(1, 256))
        ->option_text("N (processors + 1, 2 to 8)");
    app.add_option("--check-seconds", config.checks.wallSeconds, "Longest time one log's check may take")
        ->check(CLI::Range(1, 3600))
        ->option_text("S (30)");
    app.add_option("--check-memory-mb", config.checks.memoryMb, "Most memory one log's check may take")
        ->check(CLI::Range(64, 1 << 20))
        ->option_text("MB (1024)");
    app.add_option("--access-log", config.accessLogFile, "Also append the access log to this file")->option_text("FILE");
    app.add_option("--error-log", config.errorLogFile, "Also append the error log to this file")->option_text("FILE");
    app.add_flag("--no-access-log-on-stderr", config.quietAccessLog,
                 "Write the access log only to --access-log's file, not to standard error");
    app.add_flag("--behind-proxy", config.behindProxy,
                 "Behind a reverse proxy: the client is the last X-Forwarded-For address, TLS from X-Forwarded-Proto");
    app.add_flag("--secure-cookies", config.secureCookies, "The site is served over TLS: session cookies are Secure");
    app.add_flag("--public-ubn", config.publicUbnReports, "Once published, every log's report is public");
    std::string smtpPasswordFile, categoriesFile;
    app.add_option("--categories", categoriesFile, "The contest's category table (JSON); without it the ZELK table")
        ->option_text("FILE");
    app.add_option("--smtp", config.smtp.url,
                   "Mail relay for the receipts' e-mails (smtp://host:port, smtps://host:port); without it mail waits in the queue")
        ->option_text("URL");
    app.add_flag("--smtp-starttls", config.smtp.requireStartTls, "Send only over STARTTLS (smtp:// URLs)");
    app.add_option("--smtp-user", config.smtp.user, "Log in to the relay as this user")->option_text("USER");
    app.add_option("--smtp-password-file", smtpPasswordFile, "The relay's password, the first line of this file")
        ->option_text("FILE");
    app.add_option("--mail-from", config.mailSender.fromAddress, "The address the site's mail comes from")
        ->option_text("ADDRESS");
    app.add_option("--mail-from-name", config.mailSender.fromName, "The name the site's mail comes from")
        ->option_text("NAME");
    app.add_option("--public-url", config.publicUrl,
                   "The site's address as participants reach it (https://logs.example.org), for links in e-mails")
        ->option_text("URL");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    try {
        StartSodium();
        config.dataDir = dataDir;
        config.contest.districtList = ReadWholeFile(districts, "the district list");
        config.contest.start = ParseDateOption(start, "--start");
        config.contest.end = ParseDateOption(end, "--end");
        if (config.contest.start.m_dt >= config.contest.end.m_dt) throw Unusable{"--start is not before --end"};
        config.deadline = UnixSeconds(ParseDateOption(deadline, "--deadline"));
        config.maxUploadBytes = maxUploadMb * 1024 * 1024;
        if (!config.smtp.url.empty() && !IsSmtpUrl(config.smtp.url))
            throw Unusable{"--smtp " + config.smtp.url + " is no smtp:// or smtps:// URL"};
        const bool senderGiven = config.mailSender.fromAddress != SiteConfig{}.mailSender.fromAddress;
        if (!config.smtp.url.empty() && !senderGiven)
            throw Unusable{"--smtp needs --mail-from, the address the site's mail comes from"};
        if (senderGiven && !IsPlausibleMailAddress(config.mailSender.fromAddress))
            throw Unusable{"--mail-from " + config.mailSender.fromAddress + " is no mail address"};
        if (!categoriesFile.empty()) {
            try {
                config.categoriesJson = ReadWholeFile(categoriesFile, "the category table");
                config.categories = std::make_shared<const CategoryTable>(CategoryTable::FromJson(config.categoriesJson));
            } catch (const CategoryTableError& error) {
                throw Unusable{"--categories " + categoriesFile + ": " + error.what()};
            }
        }
        if (!smtpPasswordFile.empty()) {
            config.smtp.password = ReadWholeFile(smtpPasswordFile, "the relay's password file");
            if (const std::size_t end = config.smtp.password.find_first_of("\r\n"); end != std::string::npos)
                config.smtp.password.resize(end);
        }
        if (!config.publicUrl.empty() && !config.publicUrl.starts_with("http://") && !config.publicUrl.starts_with("https://"))
            throw Unusable{"--public-url " + config.publicUrl + " does not start with http:// or https://"};
        std::string listenError;
        const auto address = ParseListenAddress(listen, listenError);
        if (!address) throw Unusable{listenError};
        const std::string& host = address->host;
        config.checks.cpuSeconds = config.checks.wallSeconds;
        if (config.behindProxy) config.connections.perAddress = 0;  // every connection comes from the proxy

        SiteServer server(config);
        const int bound = server.bind(host, address->port);
        if (bound < 0)
            throw Unusable{"cannot listen on " + listen + ": the port is in use (another server?) or the address is not this machine's"};
        g_server = &server;
        std::signal(SIGINT, StopOnSignal);
        std::signal(SIGTERM, StopOnSignal);
        std::cout << "zelk-server: serving http://" << host << ":" << bound << "/" << std::endl;
        const std::filesystem::path passwordFile = std::filesystem::path(dataDir) / "committee-password.txt";
        if (!server.firstPasswordFile().empty())
            std::cout << "zelk-server: the committee's first password (member \"committee\") is in "
                      << server.firstPasswordFile().string() << std::endl;
        else if (std::filesystem::exists(passwordFile))
            std::cout << "zelk-server: the committee's first password was written to " << passwordFile.string() << std::endl;
        const bool served = server.run();
        g_server = nullptr;
        return served ? 0 : 1;
    } catch (const Unusable& unusable) {
        std::cerr << "zelk-server: " << unusable.message << "\n";
    } catch (const std::exception& error) {
        std::cerr << "zelk-server: " << error.what() << "\n";
    }
    return 2;
}
