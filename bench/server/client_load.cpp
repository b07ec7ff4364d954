// Clients beside the site's work: GET / over keep-alive connections (requests a second), and a
// normal upload while 200 idle and 50 slow clients (slow-loris headers, slow body) hold their
// connections. Starts zelk-server on a free port with its default limits.
//   client_load --server ZELK_SERVER --samples DIR [--seconds 3] [--connections 4]
#include <CLI/CLI.hpp>
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/secrets.h"
#include "tests/support/free_port.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using test_support::FreePort;

// A TCP connection to the site from 127.0.0.N.
int Connect(int port, int addressByte) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000000u | static_cast<std::uint32_t>(addressByte));
    ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads one answer (headers and a Content-Length body) off a keep-alive connection.
bool ReadAnswer(int fd, std::string& buffer) {
    for (;;) {
        const std::size_t headEnd = buffer.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            const std::size_t at = buffer.find("Content-Length: ");
            const std::size_t length = at < headEnd ? std::strtoull(buffer.c_str() + at + 16, nullptr, 10) : 0;
            if (buffer.size() >= headEnd + 4 + length) {
                buffer.erase(0, headEnd + 4 + length);
                return true;
            }
        }
        char chunk[65536];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

std::atomic<long> reconnected = 0;

double KeepAliveRate(int port, int connections, double seconds) {
    std::atomic<long> answered = 0;
    std::vector<std::thread> clients;
    const auto began = Clock::now();
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    for (int c = 0; c < connections; ++c)
        clients.emplace_back([&] {
            int fd = Connect(port, 1);
            const std::string request = "GET / HTTP/1.1\r\nHost: site\r\n\r\n";
            std::string buffer;
            while (Clock::now() < until) {
                if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
                    ReadAnswer(fd, buffer)) {
                    ++answered;
                    continue;
                }
                // The server ends a connection after its 100th request: open the next.
                ::close(fd);
                fd = Connect(port, 1);
                buffer.clear();
                ++reconnected;
            }
            ::close(fd);
        });
    for (auto& t : clients) t.join();
    return answered / std::chrono::duration<double>(Clock::now() - began).count();
}

std::string MakeLog(int station) {
    std::string log = "START-OF-LOG: 3.0\r\nCALLSIGN: UR" + std::to_string(station) + "ZZ\r\nCATEGORY-OPERATOR: SINGLE-OP\r\n";
    for (int q = 0; q < 300; ++q)
        log += "QSO:  3520 CW 2017-05-05 2" + std::to_string(100 + q % 60) + " UR" + std::to_string(station) +
               "ZZ 599 KI01 DL" + std::to_string(q) + "ABC 599 001\r\n";
    return log + "END-OF-LOG:\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Idle, slow and keep-alive clients on zelk-server", "client_load");
    std::string server, samples;
    double seconds = 3;
    int connections = 4;
    app.add_option("--server", server)->required();
    app.add_option("--samples", samples)->required();
    app.add_option("--seconds", seconds, "how long GET / is asked");
    app.add_option("--connections", connections, "keep-alive connections asking GET / at once");
    CLI11_PARSE(app, argc, argv);
    StartSodium();

    const fs::path data = fs::temp_directory_path() / ("zelk-client-load-" + RandomToken(4));
    const int port = FreePort();
    const std::string dataText = data.string(), districts = samples + "/zelk.txt", listen = "127.0.0.1:" + std::to_string(port);
    const char* args[] = {server.c_str(), "--data", dataText.c_str(), "--districts", districts.c_str(), "--start",
                          "2017-05-05 21:00", "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00",
                          "--listen", listen.c_str(), "--uploads-per-minute", "0", "--no-access-log-on-stderr", nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, server.c_str(), nullptr, nullptr, const_cast<char**>(args), environ) != 0) return 2;
    httplib::Client probe("127.0.0.1", port);
    probe.set_connection_timeout(1);
    while (!probe.Get("/")) std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const double rate = KeepAliveRate(port, connections, seconds);

    // 200 idle clients from ten addresses, 50 slow ones from ten others, all holding on.
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) idle.push_back(Connect(port, 2 + i % 10));
    std::atomic<bool> stop = false;
    std::vector<std::thread> slow;
    for (int i = 0; i < 50; ++i)
        slow.emplace_back([&, i] {
            const int fd = Connect(port, 20 + i % 10);
            const std::string bytes = i % 2 ? "GET / HTTP/1.1\r\nHost: site\r\nX-Padding: " + std::string(4000, 'p') + "\r\n\r\n"
                                            : "POST /api/logs HTTP/1.1\r\nHost: site\r\nContent-Length: 100000\r\n\r\n" +
                                                  std::string(100000, 'x');
            for (char c : bytes) {
                if (stop || ::send(fd, &c, 1, MSG_NOSIGNAL) != 1) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            ::close(fd);
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // all of them connected and held
    std::vector<double> latencies;
    int answered = 0;
    for (int i = 0; i < 10; ++i) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(30);
        const auto began = Clock::now();
        auto res = client.Post("/api/logs", httplib::MultipartFormDataItems{{"log", MakeLog(i), "log.cbr", "text/plain"}});
        latencies.push_back(std::chrono::duration<double>(Clock::now() - began).count());
        answered += res && res->status == 201;
    }
    stop = true;
    for (auto& t : slow) t.join();
    for (int fd : idle) ::close(fd);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    fs::remove_all(data);

    std::sort(latencies.begin(), latencies.end());
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("GET / over %d keep-alive connections: %.0f requests/s (%ld connections ended by the server)\n", connections,
                rate, reconnected.load());
    std::printf("Uploads beside 200 idle and 50 slow clients: %d of 10 answered 201; latency median %.3f s, max %.3f s\n",
                answered, latencies[latencies.size() / 2], latencies.back());
    std::printf("  load average %.2f %.2f %.2f on %u cores\n", load[0], load[1], load[2], std::thread::hardware_concurrency());
    return answered == 10 ? 0 : 1;
}
