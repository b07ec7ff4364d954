#include "server/check_runner.h"

#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "server/check_json.h"
#include "server/fair_slots.h"
#include "server/secrets.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kLargestAnswer = 32 << 20;
constexpr int kChecksPerWorker = 500;  // then a fresh process: nothing one log left behind lasts

CheckAnswer Failed(std::string why) {
    CheckAnswer answer;
    answer.outcome = CheckAnswer::Outcome::failed;
    answer.failure = std::move(why);
    return answer;
}

std::string RequestHeader(const ContestRules& rules, std::size_t logBytes) {
    char header[128];
    std::snprintf(header, sizeof header, "%zu %.17g %.17g %zu\n", rules.districtList.size(), rules.start.m_dt,
                  rules.end.m_dt, logBytes);
    return header;
}

}  // namespace

// One zelk-check-worker process and the socket to it (its standard input and output): killed and
// reaped when it goes.
class CheckRunner::Worker {
public:
    Worker(const fs::path& program, const CheckLimits& limits, const fs::path& scratch) : m_scratch(scratch) {
        // One socket both ways: a send to a worker that died fails instead of raising SIGPIPE.
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            throw std::runtime_error(std::string("cannot make the check's socket: ") + std::strerror(errno));
        m_fd = pair[0];
        fs::create_directories(m_scratch);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);  // none of the site's clients' sockets
        const std::string memory = std::to_string(limits.memoryMb), cpu = std::to_string(limits.cpuSeconds),
                          stack = std::to_string(limits.stackMb), folder = m_scratch.string(), path = program.string();
        const char* argv[] = {path.c_str(), "--memory-mb", memory.c_str(), "--cpu-seconds", cpu.c_str(),
                              "--stack-mb", stack.c_str(), "--scratch", folder.c_str(), nullptr};
        const int spawned = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pair[1]);
        if (spawned != 0) {
            m_pid = -1;
            throw std::runtime_error("cannot start " + path + ": " + std::strerror(spawned));
        }
    }
    ~Worker() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            reap();
        }
        ::close(m_fd);
        std::error_code ignored;
        fs::remove_all(m_scratch, ignored);
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Sends the request and reads the answer by the deadline: the answer's JSON text, or nothing
    // (then the worker is gone, or must go, and `why` says what happened).
    std::optional<std::string> exchange(const std::string_view (&parts)[3], Clock::time_point deadline, const CheckLimits& limits,
                                        std::string& why) {
        std::size_t part = 0, sent = 0;
        std::string answer;
        std::size_t expected = 0, headerEnd = 0;
        for (;;) {
            while (part < 3 && sent == parts[part].size()) ++part, sent = 0;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                why = "the check took longer than " + std::to_string(limits.wallSeconds) + " s";
                return std::nullopt;
            }
            pollfd wanted{m_fd, static_cast<short>(POLLIN | (part < 3 ? POLLOUT : 0)), 0};
            if (::poll(&wanted, 1, static_cast<int>(std::min<long long>(left, 1000))) < 0 && errno != EINTR)
                throw std::runtime_error("cannot wait for the check");
            if (part < 3 && (wanted.revents & POLLOUT)) {
                const ssize_t n = ::send(m_fd, parts[part].data() + sent, parts[part].size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) sent += static_cast<std::size_t>(n);
            }
            if (!(wanted.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) {
                why = ended(limits);
                return std::nullopt;
            }
            answer.append(buffer, static_cast<std::size_t>(n));
            if (headerEnd == 0) {
                const std::size_t newline = answer.find('\n');
                if (newline == std::string::npos) continue;
                expected = std::strtoull(answer.c_str(), nullptr, 10);
                headerEnd = newline + 1;
                if (expected == 0 || expected > kLargestAnswer) {
                    why = "the check's answer cannot be read";
                    return std::nullopt;
                }
            }
            if (answer.size() >= headerEnd + expected) {
                ++checksDone;
                return answer.substr(headerEnd, expected);
            }
        }
    }

    int checksDone = 0;

private:
    // Why the worker ended, from its wait status.
    std::string ended(const CheckLimits& limits) {
        const int status = reap();
        if (WIFSIGNALED(status)) {
            const int signal = WTERMSIG(status);
            if (signal == SIGXCPU || signal == SIGKILL)
                return "the check used more than " + std::to_string(limits.cpuSeconds) + " s of processor time";
            return std::string("the check crashed (") + strsignal(signal) + ")";
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (code == 3) return "the check needed more than " + std::to_string(limits.memoryMb) + " MB of memory";
        return "the check ended without an answer (exit " + std::to_string(code) + ")";
    }

    int reap() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
        m_pid = -1;
        return status;
    }

    fs::path m_scratch;
    int m_fd = -1;
    pid_t m_pid = -1;
};

struct CheckRunner::Slots {
    explicit Slots(int count) : free(count) {}
    FairSlots free;
    std::mutex mutex;
    std::vector<std::unique_ptr<Worker>> idle;
};

CheckRunner::CheckRunner(fs::path worker, fs::path scratch, CheckLimits limits)
    : m_worker(std::move(worker)),
      m_scratch(std::move(scratch)),
      m_limits(limits),
      m_slots(std::make_unique<Slots>(std::max(1, limits.atOnce))) {}

CheckRunner::~CheckRunner() = default;

CheckAnswer CheckRunner::check(std::string_view log, const ContestRules& rules) {
    if (!m_slots->free.acquire(std::chrono::seconds(m_limits.queueSeconds))) {
        CheckAnswer answer;
        answer.outcome = CheckAnswer::Outcome::busy;
        answer.failure = "no check came free within " + std::to_string(m_limits.queueSeconds) + " s";
        return answer;
    }
    struct Release {
        Slots& slots;
        ~Release() { slots.free.release(); }
    } release{*m_slots};
    return runWorker(log, rules);
}

std::unique_ptr<CheckRunner::Worker> CheckRunner::idleWorker() {
    {
        std::lock_guard lock(m_slots->mutex);
        if (!m_slots->idle.empty()) {
            auto worker = std::move(m_slots->idle.back());
            m_slots->idle.pop_back();
            return worker;
        }
    }
    return std::make_unique<Worker>(m_worker, m_limits, m_scratch / ("check-" + RandomToken(8)));
}

void CheckRunner::keep(std::unique_ptr<Worker> worker) {
    if (worker->checksDone >= kChecksPerWorker) return;
    std::lock_guard lock(m_slots->mutex);
    m_slots->idle.push_back(std::move(worker));
}

CheckAnswer CheckRunner::runWorker(std::string_view log, const ContestRules& rules) {
    auto worker = idleWorker();
    const std::string header = RequestHeader(rules, log.size());
    const std::string_view parts[3] = {header, rules.districtList, log};
    std::string why;
    const auto text = worker->exchange(parts, Clock::now() + std::chrono::seconds(m_limits.wallSeconds), m_limits, why);
    if (!text) return Failed(why);  // the worker goes with it
    const nlohmann::json body = nlohmann::json::parse(*text, nullptr, false);
    if (!body.is_object() || !body.contains("check")) return Failed("the check's answer cannot be read");
    keep(std::move(worker));
    CheckAnswer result;
    result.outcome = CheckAnswer::Outcome::checked;
    if (body.value("usable", false)) {
        result.check = CheckOfJson(body["check"]);
    } else {
        result.check.usable = false;
        result.check.refusal = body.value("refusal", std::string("the log cannot be read"));
    }
    return result;
}

fs::path WorkerBesideThisProgram() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::path(".") : self.parent_path()) / "zelk-check-worker";
}

int DefaultChecksAtOnce() {
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors + 1, 2, 8);
}
