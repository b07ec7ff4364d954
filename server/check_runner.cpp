#include "server/check_runner.h"

#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <semaphore>
#include <stdexcept>

#include "server/check_json.h"
#include "server/secrets.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kLargestAnswer = 32 << 20;

class Socket {
public:
    explicit Socket(int fd = -1) : m_fd(fd) {}
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return m_fd; }
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// The worker's process: killed and reaped when it is let go before it ended.
class WorkerProcess {
public:
    explicit WorkerProcess(pid_t pid) : m_pid(pid) {}
    ~WorkerProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;
    // The wait status.
    int wait() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
        m_pid = -1;
        return status;
    }
    void kill() { ::kill(m_pid, SIGKILL); }

private:
    pid_t m_pid;
};

struct ScratchFolder {
    fs::path path;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

CheckAnswer Failed(std::string why) {
    CheckAnswer answer;
    answer.outcome = CheckAnswer::Outcome::failed;
    answer.failure = std::move(why);
    return answer;
}

std::string RulesHeader(const ContestRules& rules) {
    char header[96];
    std::snprintf(header, sizeof header, "%zu %.17g %.17g\n", rules.districtList.size(), rules.start.m_dt, rules.end.m_dt);
    return header;
}

}  // namespace

struct CheckRunner::Slots {
    explicit Slots(int count) : free(count) {}
    std::counting_semaphore<4096> free;
};

CheckRunner::CheckRunner(fs::path worker, fs::path scratch, CheckLimits limits)
    : m_worker(std::move(worker)),
      m_scratch(std::move(scratch)),
      m_limits(limits),
      m_slots(std::make_unique<Slots>(std::max(1, limits.atOnce))) {}

CheckRunner::~CheckRunner() = default;

CheckAnswer CheckRunner::check(std::string_view log, const ContestRules& rules) {
    if (!m_slots->free.try_acquire_for(std::chrono::seconds(m_limits.queueSeconds))) {
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

CheckAnswer CheckRunner::runWorker(std::string_view log, const ContestRules& rules) {
    ScratchFolder scratch{m_scratch / ("check-" + RandomToken(8))};
    fs::create_directories(scratch.path);

    // One socket both ways: a send to a worker that died fails instead of raising SIGPIPE.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        throw std::runtime_error("cannot make the check's socket");
    Socket ours(pair[0]), theirs(pair[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, theirs.get(), 1);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);  // none of the site's clients' sockets
    const std::string memory = std::to_string(m_limits.memoryMb), cpu = std::to_string(m_limits.cpuSeconds),
                      stack = std::to_string(m_limits.stackMb), folder = scratch.path.string(), program = m_worker.string();
    const char* argv[] = {program.c_str(), "--memory-mb", memory.c_str(), "--cpu-seconds", cpu.c_str(),
                          "--stack-mb", stack.c_str(), "--scratch", folder.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
    WorkerProcess worker(pid);
    theirs.reset();

    const std::string header = RulesHeader(rules);
    const std::string_view parts[] = {header, rules.districtList, log};
    std::size_t part = 0, sent = 0;
    std::string answer;
    const auto deadline = Clock::now() + std::chrono::seconds(m_limits.wallSeconds);
    bool writing = true, reading = true;
    while (reading) {
        while (writing && part < 3 && sent == parts[part].size()) ++part, sent = 0;
        if (writing && part == 3) {
            ::shutdown(ours.get(), SHUT_WR);
            writing = false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            worker.kill();
            worker.wait();
            return Failed("the check took longer than " + std::to_string(m_limits.wallSeconds) + " s");
        }
        pollfd wanted{ours.get(), static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        if (::poll(&wanted, 1, static_cast<int>(std::min<long long>(left, 1000))) < 0 && errno != EINTR)
            throw std::runtime_error("cannot wait for the check");
        if (writing && (wanted.revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::send(ours.get(), parts[part].data() + sent, parts[part].size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) sent += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR) writing = false;  // the worker is gone: its status tells why
        }
        if (wanted.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[65536];
            const ssize_t n = ::recv(ours.get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0 && answer.size() < kLargestAnswer) answer.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) reading = false;
            if (!writing && (wanted.revents & POLLHUP) && n <= 0) reading = false;
        }
    }
    const int status = worker.wait();
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU || signal == SIGKILL)
            return Failed("the check used more than " + std::to_string(m_limits.cpuSeconds) + " s of processor time");
        return Failed(std::string("the check crashed (") + strsignal(signal) + ")");
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 3) return Failed("the check needed more than " + std::to_string(m_limits.memoryMb) + " MB of memory");
    const nlohmann::json body = nlohmann::json::parse(answer, nullptr, false);
    if (code != 0 || !body.is_object() || !body.contains("check"))
        return Failed("the check ended without an answer (exit " + std::to_string(code) + ")");
    CheckAnswer result;
    result.outcome = CheckAnswer::Outcome::checked;
    if (body.value("usable", false)) {
        result.check = CheckOfJson(body["check"].dump());
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
