// The deadline rush: many participants upload their logs at the same moment. Starts zelk-server
// on a free port, lets every client upload a log of --qsos QSOs at once, and reports the latency
// (p50, p99, max), the uploads per second, the server's peak memory, and whether every upload was
// acknowledged and stored (each receipt's file on disk with the receipt's SHA-256). The floor is
// the processor time the check processes took in the rush, measured (/proc), spread over the
// cores; beside it the server's, the clients' (this program's) and other work's on the machine.
//   upload_rush --server ZELK_SERVER --samples DIR [--clients 300] [--qsos 1000]
#include <CLI/CLI.hpp>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "server/secrets.h"
#include "tests/support/free_port.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using test_support::FreePort;

// A Cabrillo log of `qsos` QSOs over the contest's six hours, with the usual share of districts.
std::string MakeLog(int station, int qsos) {
    static const char* kBands[] = {"1820", "3520", "7020"};
    static const char* kModes[] = {"CW", "PH", "RY"};
    static const char* kDistricts[] = {"KI01", "KR02", "VI03", "VO04", "DN05"};
    const std::string call = "UR" + std::to_string(station) + "ZZ";
    std::string log = "START-OF-LOG: 3.0\r\nCONTEST: ZELK\r\nCALLSIGN: " + call +
                      "\r\nCATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-MODE: MIXED\r\n";
    char line[160];
    for (int q = 0; q < qsos; ++q) {
        const int minute = q * 359 / qsos;
        std::snprintf(line, sizeof line, "QSO: %5s %s 2017-05-0%d %02d%02d %-10s 599 KI01 UT%dQ%c 599 %s\r\n",
                      kBands[q % 3], kModes[(q / 3) % 3], minute < 180 ? 5 : 6, (21 + minute / 60) % 24, minute % 60,
                      call.c_str(), q % 10, 'A' + q / 10 % 26, kDistricts[q % 5]);
        log += line;
    }
    return log + "END-OF-LOG:\r\n";
}

std::size_t PeakMemoryKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stoul(line.substr(6));
    return 0;
}

struct CpuSeconds {
    double own = 0, children = 0;  // the server's, and its ended check processes'
    double faults = 0;             // the server's minor page faults: memory it had to be given afresh
};

// The fields of /proc/PID/stat after the command's name: state, ppid, ... (utime is the 12th).
std::vector<std::string> StatFields(const fs::path& statFile) {
    std::ifstream stat(statFile);
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    if (text.rfind(')') == std::string::npos) return {};
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    return {std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>()};
}

// The server's processor time, and its check processes' (those still running and those ended).
CpuSeconds CpuOf(pid_t pid) {
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const auto values = StatFields("/proc/" + std::to_string(pid) + "/stat");
    if (values.size() < 15) return {};
    CpuSeconds cpu{(std::stod(values[11]) + std::stod(values[12])) / tick, (std::stod(values[13]) + std::stod(values[14])) / tick,
                   std::stod(values[7])};
    std::error_code error;
    for (auto it = fs::directory_iterator("/proc", error); !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto child = StatFields(it->path() / "stat");
        if (child.size() >= 15 && child[1] == std::to_string(pid))
            cpu.children += (std::stod(child[11]) + std::stod(child[12])) / tick;
    }
    return cpu;
}

// Processor time of every process on the machine (user, nice, system, irq, softirq), from /proc/stat.
struct ProcessorTicks {
    double busy = 0, all = 0;  // busy, and busy with idle and waiting for the disk
};

ProcessorTicks MachineTicks() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq;
    const double busy = user + nice + system + irq + softirq;
    return {busy, busy + idle + iowait};
}

double MachineBusySeconds() { return MachineTicks().busy / static_cast<double>(sysconf(_SC_CLK_TCK)); }

// The machine's busy share over the rush, a sample every few milliseconds: where the processors
// waited (the start, the end, the disk) shows in which part of the rush the share falls.
class BusyTimeline {
public:
    BusyTimeline() : m_sampler([this] { sample(); }) {}
    ~BusyTimeline() { stop(); }
    void stop() {
        m_stop = true;
        if (m_sampler.joinable()) m_sampler.join();
    }
    // The busy share of the processors in each of `parts` equal parts of the rush.
    std::vector<double> shares(int parts) const {
        std::vector<double> busy(static_cast<std::size_t>(parts)), all(static_cast<std::size_t>(parts));
        if (m_samples.size() < 2) return busy;
        const double span = m_samples.back().at - m_samples.front().at;
        for (std::size_t i = 1; i < m_samples.size(); ++i) {
            const double middle = (m_samples[i].at + m_samples[i - 1].at) / 2 - m_samples.front().at;
            const auto part = std::min<std::size_t>(static_cast<std::size_t>(parts) - 1,
                                                    static_cast<std::size_t>(middle / span * parts));
            busy[part] += m_samples[i].busy - m_samples[i - 1].busy;
            all[part] += m_samples[i].all - m_samples[i - 1].all;
        }
        for (std::size_t i = 0; i < busy.size(); ++i) busy[i] = all[i] > 0 ? busy[i] / all[i] : 0;
        return busy;
    }

private:
    struct Sample {
        double at, busy, all;
    };
    void sample() {
        while (!m_stop) {
            const ProcessorTicks ticks = MachineTicks();
            m_samples.push_back({std::chrono::duration<double>(Clock::now().time_since_epoch()).count(), ticks.busy, ticks.all});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::atomic<bool> m_stop{false};
    std::vector<Sample> m_samples;
    std::thread m_sampler;
};

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The upload as a browser or curl sends it: one multipart form with the log, and the connection
// closed after the answer.
std::string UploadRequest(const std::string& log, int port) {
    static const std::string kBoundary = "----zelk-rush-boundary-7f3a";
    const std::string body = "--" + kBoundary +
                             "\r\nContent-Disposition: form-data; name=\"log\"; filename=\"log.cbr\"\r\n"
                             "Content-Type: application/octet-stream\r\n\r\n" +
                             log + "\r\n--" + kBoundary + "--\r\n";
    return "POST /api/logs HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Type: multipart/form-data; boundary=" + kBoundary +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

struct Exchange {
    std::string answer;   // the whole answer, as the server sent it before it closed
    std::string failure;  // what went wrong on the way, if anything
    double seconds = -1;  // from the rush's start to the answer's end
};

// Every participant connects and sends at the same moment; the answers are read as they come.
// One thread drives all the connections, so that the clients' own processor time, which a
// participant's machine would spend and not the site's, stays small beside the site's.
std::vector<Exchange> RushAtOnce(int port, const std::vector<std::string>& requests, Clock::time_point began) {
    struct Connection {
        int fd = -1;
        std::size_t sent = 0;
        bool done = false;
    };
    std::vector<Exchange> exchanges(requests.size());
    std::vector<Connection> connections(requests.size());
    const int poller = epoll_create1(EPOLL_CLOEXEC);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::size_t open = 0;
    const auto finish = [&](std::size_t i, std::string failure) {
        Connection& c = connections[i];
        epoll_ctl(poller, EPOLL_CTL_DEL, c.fd, nullptr);
        close(c.fd);
        c.done = true;
        exchanges[i].failure = std::move(failure);
        exchanges[i].seconds = std::chrono::duration<double>(Clock::now() - began).count();
        --open;
    };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        Connection& c = connections[i];
        c.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ++open;
        if (connect(c.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0 && errno != EINPROGRESS) {
            finish(i, std::string("connect: ") + std::strerror(errno));
            continue;
        }
        epoll_event wanted{};
        wanted.events = EPOLLIN | EPOLLOUT;
        wanted.data.u64 = i;
        epoll_ctl(poller, EPOLL_CTL_ADD, c.fd, &wanted);
    }
    std::vector<epoll_event> ready(requests.size());
    char buffer[65536];
    while (open > 0) {
        const int n = epoll_wait(poller, ready.data(), static_cast<int>(ready.size()), 120000);
        if (n <= 0) break;
        for (int r = 0; r < n; ++r) {
            const std::size_t i = ready[static_cast<std::size_t>(r)].data.u64;
            Connection& c = connections[i];
            if (c.done) continue;
            const std::string& request = requests[i];
            if (c.sent < request.size() && (ready[static_cast<std::size_t>(r)].events & EPOLLOUT)) {
                const ssize_t put = send(c.fd, request.data() + c.sent, request.size() - c.sent, MSG_NOSIGNAL);
                if (put > 0) c.sent += static_cast<std::size_t>(put);
                if (c.sent == request.size()) {
                    epoll_event wanted{};
                    wanted.events = EPOLLIN;
                    wanted.data.u64 = i;
                    epoll_ctl(poller, EPOLL_CTL_MOD, c.fd, &wanted);
                }
                if (put < 0 && errno != EAGAIN) {
                    finish(i, std::string("send: ") + std::strerror(errno));
                    continue;
                }
            }
            if (ready[static_cast<std::size_t>(r)].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                for (;;) {
                    const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
                    if (got > 0) {
                        exchanges[i].answer.append(buffer, static_cast<std::size_t>(got));
                        continue;
                    }
                    if (got == 0) finish(i, "");
                    else if (errno != EAGAIN) finish(i, exchanges[i].answer.empty() ? std::string("recv: ") + std::strerror(errno) : "");
                    break;
                }
            }
        }
    }
    for (std::size_t i = 0; i < connections.size(); ++i)
        if (!connections[i].done) finish(i, "no answer in 120 s");
    close(poller);
    return exchanges;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("The deadline rush on zelk-server", "upload_rush");
    std::string server, samples;
    int clients = 300, qsos = 1000, threads = 512;
    app.add_option("--server", server)->required();
    app.add_option("--samples", samples)->required();
    app.add_option("--clients", clients);
    app.add_option("--qsos", qsos);
    app.add_option("--threads", threads, "the server's request threads");
    std::vector<std::string> serverOptions;
    app.add_option("--server-option", serverOptions, "one more option for zelk-server (repeat for each word)");
    CLI11_PARSE(app, argc, argv);
    StartSodium();

    const fs::path data = fs::temp_directory_path() / ("zelk-upload-rush-" + RandomToken(4));
    const int port = FreePort();
    const std::string dataText = data.string(), districts = samples + "/zelk.txt",
                      listen = "127.0.0.1:" + std::to_string(port), threadText = std::to_string(threads);
    std::vector<const char*> args = {server.c_str(), "--data", dataText.c_str(), "--districts", districts.c_str(), "--start",
                          "2017-05-05 21:00", "--end", "2017-05-06 03:00", "--deadline", "2100-01-01 00:00",
                          "--listen", listen.c_str(), "--uploads-per-minute", "0", "--threads", threadText.c_str(),
                          // the rush's participants come from many addresses; here all from one
                          "--connections-per-address", "0", "--no-access-log-on-stderr"};
    for (const std::string& option : serverOptions) args.push_back(option.c_str());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, server.c_str(), nullptr, nullptr, const_cast<char**>(args.data()), environ) != 0) return 2;
    httplib::Client probe("127.0.0.1", port);
    probe.set_connection_timeout(1);
    while (!probe.Get("/")) std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::vector<std::string> logs;
    for (int i = 0; i < clients; ++i) logs.push_back(MakeLog(i, qsos));

    std::vector<std::string> requests;
    for (const std::string& log : logs) requests.push_back(UploadRequest(log, port));
    // Processor time is counted over the rush only: the server's start (its first password's
    // hash among it) and the making of the logs are not in it.
    const CpuSeconds cpuBefore = CpuOf(pid);
    const double clientsBefore = OwnCpuSeconds(), machineBefore = MachineBusySeconds();
    const auto began = Clock::now();
    BusyTimeline timeline;
    const std::vector<Exchange> exchanges = RushAtOnce(port, requests, began);
    const double wall = std::chrono::duration<double>(Clock::now() - began).count();
    timeline.stop();
    std::vector<double> seconds(clients, -1);
    std::vector<nlohmann::json> receipts(clients);
    std::map<std::string, int> failures;
    for (int i = 0; i < clients; ++i) {
        const Exchange& exchange = exchanges[static_cast<std::size_t>(i)];
        const std::size_t bodyAt = exchange.answer.find("\r\n\r\n");
        if (exchange.answer.starts_with("HTTP/1.1 201 ") && bodyAt != std::string::npos) {
            seconds[i] = exchange.seconds;
            receipts[i] = nlohmann::json::parse(exchange.answer.substr(bodyAt + 4), nullptr, false);
        } else {
            failures[exchange.failure.empty() ? exchange.answer.substr(0, exchange.answer.find('\r')) : exchange.failure]++;
        }
    }
    const double clientsCpu = OwnCpuSeconds() - clientsBefore, machineCpu = MachineBusySeconds() - machineBefore;
    const std::size_t peakKb = PeakMemoryKb(pid);
    CpuSeconds cpu = CpuOf(pid);
    cpu.own -= cpuBefore.own;
    cpu.children -= cpuBefore.children;
    cpu.faults -= cpuBefore.faults;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    int acknowledged = 0, stored = 0;
    for (int i = 0; i < clients; ++i) {
        if (seconds[i] < 0) continue;
        ++acknowledged;
        const std::string sha = receipts[i]["sha256"];
        if (Sha256Hex(ReadFile(data / "files" / sha.substr(0, 2) / sha)) == sha && sha == Sha256Hex(logs[i])) ++stored;
    }
    std::vector<double> sorted;
    for (double s : seconds)
        if (s >= 0) sorted.push_back(s);
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double share) {
        return sorted.empty() ? 0.0 : sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * sorted.size()))];
    };
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("Deadline rush: %d clients, %d QSOs a log (%zu bytes), server threads %d\n", clients, qsos, logs[0].size(),
                threads);
    std::printf("  acknowledged %d, stored with the receipt's SHA-256 %d, lost %d\n", acknowledged, stored, clients - stored);
    for (const auto& [failure, count] : failures) std::printf("  not acknowledged: %d x %s\n", count, failure.c_str());
    std::printf("  latency p50 %.3f s, p99 %.3f s, max %.3f s\n", at(0.50), at(0.99), sorted.empty() ? 0.0 : sorted.back());
    std::printf("  %.1f uploads/s (%.2f s for all)\n", clients / wall, wall);
    std::printf("  server peak memory %.1f MB (without its check processes), %.0f page faults in the rush\n", peakKb / 1024.0,
                cpu.faults);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("  processor time in the rush: checks %.2f s (floor on %u cores %.2f s: wall is %.2fx), server %.2f s, clients %.2f s\n",
                cpu.children, cores, cpu.children / cores, wall / (cpu.children / cores), cpu.own, clientsCpu);
    std::printf("  the machine's processors were busy %.2f s of %.2f s in the rush, %.2f s of it for other work\n", machineCpu,
                wall * cores, std::max(0.0, machineCpu - cpu.children - cpu.own - clientsCpu));
    std::printf("  busy share by tenth of the rush:");
    for (double share : timeline.shares(10)) std::printf(" %.0f%%", share * 100);
    std::printf("\n");
    std::printf("  load average %.2f %.2f %.2f on %u cores\n", load[0], load[1], load[2], std::thread::hardware_concurrency());
    fs::remove_all(data);
    return stored == clients ? 0 : 1;
}
