#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ole_date.h"
#include "checker/log_check.h"
#include "checker/message_cap.h"
#include "logs/log_reader.h"

// The two readings of a log by zelk-check, neither of which keeps the log's QSOs.

// The first reading keeps what the check needs before its first QSO: the header, the count of
// QSOs and the first and last QSO time; and the first skipped lines, said when the log has no
// QSO at all (then there is no second reading).
class LogSurvey final : public LogVisitor {
public:
    void qso(const LogQso& qso) override;
    void problem(const LogProblem& problem) override;

    static constexpr std::size_t kProblemsKept = 100;
    LogHeader header;
    std::size_t qsos = 0;
    OleDateTime first, last;
    std::string firstMyCall;  // the own call of the first QSO that has one
    std::string unreadable;   // why the file is no log
    std::vector<LogProblem> firstProblems;
    std::size_t problems = 0;
};

// The second reading: each QSO of the contest period through the plug-in's add path; each
// skipped line, each QSO outside the period and each finding named on `err` with its line
// (unless quiet), e.g. "log.cbr:12: DUPE of line 7", the first MessageCap::kNamedPerKind of each
// kind; nameWithheld() then says how many more of each kind there were.
class LogRun final : public LogVisitor {
public:
    LogRun(LogCheck& check, const CheckSettings& settings, const std::filesystem::path& logPath, std::ostream& err, bool quiet);

    void qso(const LogQso& qso) override;
    void problem(const LogProblem& problem) override;
    void note(const LogProblem& note) override;

    std::size_t qsos = 0;
    std::size_t problems = 0;
    std::size_t outsidePeriod = 0;

    // "log.cbr: ... and 4999900 more like this: <the kind's first message>" for each kind.
    void nameWithheld();
    const MessageCap& messages() const { return m_cap; }

private:
    void nameFindings(const LogQso& qso, const QsoFindings& findings);
    void name(std::size_t line, std::string_view kind, const std::string& message);

    LogCheck& m_check;
    const CheckSettings& m_settings;
    std::string m_logName;
    std::ostream& m_err;
    bool m_quiet;
    MessageCap m_cap;
    // The line of the first QSO of each call, band and mode, by a 64-bit hash of the three: what
    // a dupe is named after, in a few bytes per QSO.
    std::unordered_map<std::uint64_t, std::uint32_t> m_firstLines;
};
