#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <mutex>

#include "tests/support/free_port.h"
#include "site_fixture.h"

extern char** environ;

namespace {

// zelk-server as a process of its own, so that it can be killed.
pid_t StartServer(const std::filesystem::path& folder, int port) {
    const std::string data = folder.string(), districts = std::string(ZELK_SAMPLES_DIR) + "/zelk.txt",
                      listen = "127.0.0.1:" + std::to_string(port);
    const char* argv[] = {ZELK_SERVER_BINARY, "--data", data.c_str(), "--districts", districts.c_str(),
                          "--start", "2017-05-05 21:00", "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00",
                          "--listen", listen.c_str(), "--uploads-per-minute", "0",
                          "--connections-per-address", "0", nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, ZELK_SERVER_BINARY, nullptr, nullptr, const_cast<char**>(argv), environ);
    return pid;
}

using test_support::FreePort;

TEST(Durability, EveryReceiptGivenBeforeKillNineHasItsFile) {
    StartSodium();
    const auto folder = std::filesystem::temp_directory_path() / ("zelk-crash-test-" + RandomToken(4));
    const int port = FreePort();
    const pid_t pid = StartServer(folder, port);
    ASSERT_GT(pid, 0);
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(10);
    ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(client.Get("/")); }));

    std::mutex mutex;
    std::vector<nlohmann::json> receipts;
    std::atomic<int> answered = 0;
    std::vector<std::thread> uploads;
    for (int i = 0; i < 50; ++i) {
        uploads.emplace_back([&, i] {
            httplib::Client c("127.0.0.1", port);
            c.set_connection_timeout(10);
            std::string qsos;
            for (int q = 0; q < 200; ++q)
                qsos += "QSO:  3520 CW 2017-05-05 2" + std::to_string(100 + q % 60) + " UR" + std::to_string(i) +
                        "AA 599 KI01 DL" + std::to_string(q) + "ABC 599 001\n";
            auto res = UploadLog(c, CabrilloLog("UR" + std::to_string(i) + "AA", qsos));
            if (res && res->status == 201) {
                std::lock_guard lock(mutex);
                receipts.push_back(nlohmann::json::parse(res->body));
            }
            ++answered;
        });
    }
    // Killed while uploads are in flight: some answered, not all.
    WaitFor([&] { return answered >= 10; });
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    for (auto& t : uploads) t.join();
    EXPECT_GE(receipts.size(), 10u);

    SiteStore store(folder / "zelk-server.db");
    EXPECT_EQ(store.integrityCheck(), "ok");
    for (const auto& receipt : receipts) {
        const std::string sha = receipt["sha256"];
        const auto path = folder / "files" / sha.substr(0, 2) / sha;
        EXPECT_EQ(Sha256Hex(RunningSite::ReadText(path)), sha) << receipt["call"];
        auto stored = store.submission(receipt["submission"].get<std::int64_t>());
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->sha256, sha);
    }

    // The server starts again on the same folder and lists the same logs.
    const pid_t again = StartServer(folder, port);
    ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(client.Get("/")); }));
    auto received = nlohmann::json::parse(client.Get("/api/received")->body);
    EXPECT_GE(received["logs"].size(), receipts.size());
    kill(again, SIGTERM);
    waitpid(again, nullptr, 0);
    std::filesystem::remove_all(folder);
}

}  // namespace
