#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "server/upload_check.h"

// What one check may take. The worker holds itself to memory, processor time and stack; the
// server holds it to the wall time and kills it past that.
// One check more than the processors (at least 2, at most 8): a worker is then ready while the
// server hands the next log over and stores the last one's answer, which a rush measured faster.
int DefaultChecksAtOnce();

struct CheckLimits {
    int memoryMb = 1024;
    int cpuSeconds = 20;
    int stackMb = 16;
    int wallSeconds = 30;
    int atOnce = DefaultChecksAtOnce();  // checks running at once; the others wait for a slot
    int queueSeconds = 30;  // the longest wait for a slot: past it the upload is answered "busy"
};

struct CheckAnswer {
    enum class Outcome {
        checked,  // `check` holds the check (usable or refused)
        failed,   // the check crashed or went past a limit: `failure` says which, for the sender
        busy,     // no slot came free in time
    };
    Outcome outcome = Outcome::failed;
    UploadCheck check;
    std::string failure;
};

// Runs each upload's check in a zelk-check-worker process, a bounded number at once. A worker
// that answered is kept for the next check (starting one costs more than most checks); one that
// crashed, went past a limit or took too long is killed, and the next check starts a new one.
class CheckRunner {
public:
    CheckRunner(std::filesystem::path worker, std::filesystem::path scratch, CheckLimits limits);
    ~CheckRunner();
    CheckRunner(const CheckRunner&) = delete;
    CheckRunner& operator=(const CheckRunner&) = delete;

    CheckAnswer check(std::string_view log, const ContestRules& rules);
    const CheckLimits& limits() const { return m_limits; }

    class Worker;

private:
    CheckAnswer runWorker(std::string_view log, const ContestRules& rules);
    std::unique_ptr<Worker> idleWorker();
    void keep(std::unique_ptr<Worker> worker);

    struct Slots;
    std::filesystem::path m_worker, m_scratch;
    CheckLimits m_limits;
    std::unique_ptr<Slots> m_slots;
};

// zelk-check-worker beside the running program.
std::filesystem::path WorkerBesideThisProgram();
