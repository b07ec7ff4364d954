#include <arpa/inet.h>
#include <nlohmann/json.hpp>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "site_fixture.h"

namespace {

const std::string kLog = CabrilloLog("UT5ZZ", "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n");

// A raw connection to the site from a loopback address of its own (127.0.0.N), as a client on
// another machine would come.
class RawClient {
public:
    RawClient(int port, int addressByte) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(0x7f000000u | static_cast<std::uint32_t>(addressByte));
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool send(const std::string& bytes) { return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()); }
    // Whether the server has closed the connection (reading what it sent before) within `ms`.
    bool closedWithin(int ms, std::string* answer = nullptr) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            pollfd wanted{m_fd, POLLIN, 0};
            if (::poll(&wanted, 1, static_cast<int>(left)) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0) return true;
            if (answer) answer->append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Whether the connection is still open: nothing to read, no end seen.
    bool open() {
        pollfd wanted{m_fd, POLLIN, 0};
        return ::poll(&wanted, 1, 0) == 0;
    }

    bool connected = false;

private:
    int m_fd;
};

// Sends `bytes` a byte at a time, one every `gapMs`, until done or told to stop.
void Trickle(RawClient& client, const std::string& bytes, int gapMs, const std::atomic<bool>& stop) {
    for (char c : bytes) {
        if (stop || !client.send(std::string(1, c))) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    }
}

const std::string kSlowHeaders = "GET / HTTP/1.1\r\nHost: site\r\nX-Padding: " + std::string(2000, 'p') + "\r\n\r\n";
const std::string kSlowBody = "POST /api/logs HTTP/1.1\r\nHost: site\r\nContent-Type: text/plain\r\nContent-Length: 5000\r\n\r\n" +
                              std::string(5000, 'x');

// 200 idle clients, 25 slow-header and 25 slow-body clients (from 10 addresses): a normal upload
// is answered while they all still hold their connections.
TEST(Clients, AnUploadIsAnsweredBesideIdleAndSlowClients) {
    RunningSite site([](SiteConfig& config) {
        config.threads = 512;
        config.connections.requestSeconds = 120;
        config.connections.idleSeconds = 120;
    });
    std::vector<std::unique_ptr<RawClient>> idle, slow;
    for (int i = 0; i < 200; ++i) idle.push_back(std::make_unique<RawClient>(site.port, 2 + i % 10));
    for (int i = 0; i < 50; ++i) slow.push_back(std::make_unique<RawClient>(site.port, 20 + i % 10));
    std::atomic<bool> stop = false;
    std::vector<std::thread> trickles;
    for (int i = 0; i < 50; ++i)
        trickles.emplace_back([&, i] { Trickle(*slow[i], i % 2 ? kSlowBody : kSlowHeaders, 100, stop); });

    auto client = site.client();
    client.set_read_timeout(5);  // generous: the answer takes milliseconds when nothing starves it
    auto res = UploadLog(client, kLog);
    ASSERT_TRUE(res) << "no answer beside the idle and slow clients";
    EXPECT_EQ(res->status, 201);
    int stillOpen = 0;
    for (auto& c : idle) stillOpen += c->open();
    EXPECT_EQ(stillOpen, 200) << "the upload had to wait for idle clients to be cut off";
    stop = true;
    for (auto& t : trickles) t.join();
}

struct Misbehaviour {
    const char* name;
    std::string bytes;
    int gapMs;  // between bytes; 0: all at once
    bool expectRefusal;
};

// Each kind of client that would hold a connection for ever is cut off at its deadline (a whole
// request within 2 s, a request begun within 1 s); one address gets at most 4 connections.
TEST(Clients, EachMisbehaviourIsCutOff) {
    RunningSite site([](SiteConfig& config) {
        config.connections.requestSeconds = 2;
        config.connections.idleSeconds = 1;
        config.connections.perAddress = 4;
    });
    const Misbehaviour cases[] = {
        {"idle", "", 0, false},
        {"slow-loris headers", kSlowHeaders, 150, false},
        {"slow body", kSlowBody, 150, false},
        {"a request begun and never finished", "GET / HTTP/1.1\r\nHost: site\r\n", 0, false},
    };
    for (const Misbehaviour& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient client(site.port, 40);
        ASSERT_TRUE(client.connected);
        std::atomic<bool> stop = false;
        std::thread sender([&] {
            if (c.gapMs > 0) Trickle(client, c.bytes, c.gapMs, stop);
            else if (!c.bytes.empty()) client.send(c.bytes);
        });
        EXPECT_TRUE(client.closedWithin(8000)) << "still connected after 8 s";
        stop = true;
        sender.join();
    }

    // Many connections from one address: the fifth is answered 503 at once, the others are served.
    // The held four are cut off when idle for 1 s, which a loaded machine may reach before the fifth
    // comes: each try holds four new ones.
    std::string answer;
    const auto fifthRefused = [&] {
        std::vector<std::unique_ptr<RawClient>> held;
        for (int i = 0; i < 4; ++i) held.push_back(std::make_unique<RawClient>(site.port, 50));
        RawClient probe(site.port, 51);
        probe.send("GET / HTTP/1.1\r\nHost: site\r\nConnection: close\r\n\r\n");
        if (!probe.closedWithin(5000)) return false;
        RawClient fifth(site.port, 50);
        answer.clear();
        fifth.send("GET / HTTP/1.1\r\nHost: site\r\n\r\n");
        return fifth.closedWithin(5000, &answer) && answer.starts_with("HTTP/1.1 503");
    };
    bool refused = false;
    for (int tries = 0; tries < 5 && !refused; ++tries) refused = fifthRefused();
    EXPECT_TRUE(refused) << answer;
    EXPECT_NE(answer.find("Too many connections"), std::string::npos) << answer;
    RawClient other(site.port, 52);
    other.send("GET / HTTP/1.1\r\nHost: site\r\nConnection: close\r\n\r\n");
    answer.clear();
    EXPECT_TRUE(other.closedWithin(5000, &answer));
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer;
}

// A head of header lines without end, sent as fast as the site reads: the library would keep every
// line in memory until the request's deadline (140 MB a second of it). The site reads 64 KB of a
// head, answers 400 and closes, long before the deadline; a head of 40 KB (cookies) is served.
TEST(Clients, AHeadWithoutEndIsCutOffAtItsSize) {
    RunningSite site([](SiteConfig& config) { config.connections.requestSeconds = 120; });
    const std::string starts[] = {"GET / HTTP/1.1\r\nHost: site\r\n", "POST /api/logs HTTP/1.1\r\nHost: site\r\n",
                                  "GET /" + std::string(20000, 'u') + " HTTP/1.1\r\n"};  // the library's 414 path reads a head too
    for (const std::string& start : starts) {
        SCOPED_TRACE(start.substr(0, 30));
        RawClient client(site.port, 60);
        ASSERT_TRUE(client.connected);
        std::atomic<bool> stop = false;
        std::size_t sent = 0;
        std::thread sender([&] {
            const std::string line = "X-Filler: " + std::string(1000, 'f') + "\r\n";
            if (!client.send(start)) return;
            while (!stop && client.send(line)) sent += line.size();
        });
        std::string answer;
        EXPECT_TRUE(client.closedWithin(60000, &answer)) << "still reading after 60 s, " << sent << " bytes in";
        stop = true;
        sender.join();
        EXPECT_TRUE(answer.empty() || answer.starts_with("HTTP/1.1 4")) << answer.substr(0, 200);
    }
    RawClient cookies(site.port, 61);
    std::string head = "GET / HTTP/1.1\r\nHost: site\r\nConnection: close\r\n";
    for (int i = 0; i < 10; ++i) head += "Cookie: c" + std::to_string(i) + "=" + std::string(4000, 'c') + "\r\n";
    cookies.send(head + "\r\n");
    std::string answer;
    EXPECT_TRUE(cookies.closedWithin(10000, &answer));
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer.substr(0, 200);
}

// Keep-alive: one connection carries many requests, each answered in turn.
TEST(Clients, KeepAliveCarriesManyRequests) {
    RunningSite site;
    httplib::Client client("127.0.0.1", site.port);
    client.set_keep_alive(true);
    for (int i = 0; i < 50; ++i) {
        auto res = client.Get("/");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
    }
}

}  // namespace
