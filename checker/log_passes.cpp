#include "checker/log_passes.h"

#include "logs/qso_fields.h"

namespace {

// FNV-1a over the call, band and mode, each ended by a byte no text holds.
std::uint64_t DupeKey(const LogQso& qso) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::string* text : {&qso.call, &qso.band, &qso.mode}) {
        for (char c : *text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        hash = (hash ^ 0x1f) * 1099511628211ull;
    }
    return hash;
}

// Times within a fraction of a second count as the same moment.
constexpr double kSameMoment = 1e-7;

}  // namespace

void LogSurvey::qso(const LogQso& qso) {
    if (qsos++ == 0) first = last = qso.time;
    if (qso.time.m_dt < first.m_dt) first = qso.time;
    if (qso.time.m_dt > last.m_dt) last = qso.time;
    if (firstMyCall.empty()) firstMyCall = qso.myCall.substr(0, kMaxCallLength + 1);
}

void LogSurvey::problem(const LogProblem& problem) {
    if (problem.line == 0 && unreadable.empty()) unreadable = problem.message;
    if (++problems <= kProblemsKept) firstProblems.push_back(problem);
}

LogRun::LogRun(LogCheck& check, const CheckSettings& settings, const std::filesystem::path& logPath, std::ostream& err, bool quiet)
    : m_check(check), m_settings(settings), m_logName(logPath.string()), m_err(err), m_quiet(quiet) {}

void LogRun::name(std::size_t line, std::string_view kind, const std::string& message) {
    if (m_cap.admit(kind, message)) m_err << m_logName << ":" << line << ": " << message << "\n";
}

void LogRun::nameWithheld() {
    for (const MessageCap::Withheld& withheld : m_cap.withheld()) m_err << m_logName << ": " << WithheldLine(withheld) << "\n";
}

void LogRun::qso(const LogQso& qso) {
    ++qsos;
    if (qso.time.m_dt < m_settings.contestStart.m_dt - kSameMoment || qso.time.m_dt >= m_settings.contestEnd.m_dt - kSameMoment) {
        ++outsidePeriod;
        if (!m_quiet) name(qso.line, "outside the contest period", "outside the contest period, not scored");
        return;
    }
    const QsoFindings findings = m_check.add(qso);
    if (!m_quiet) nameFindings(qso, findings);
}

void LogRun::nameFindings(const LogQso& qso, const QsoFindings& findings) {
    if (findings.has(BadQsoReason::wrongBand))
        name(qso.line, "WRONG BAND", "WRONG BAND " + (qso.band.empty() ? FormatKHz(qso.frequencyHz) + " kHz" : qso.band));
    if (findings.has(BadQsoReason::wrongMode)) name(qso.line, "WRONG MODE", "WRONG MODE " + qso.mode);
    if (findings.has(BadQsoReason::noExchange))
        name(qso.line, "NO RX NUMBER",
             std::string("NO RX NUMBER: ") + (qso.exchReceived.empty() ? "no exchange received" : "no exchange sent"));
    if (findings.has(BadQsoReason::unknownDistrict))
        name(qso.line, "district not in the list",
             "district " + ToUpperAscii(TrimmedBlanks(qso.exchReceived)) + " not in the list");
    if (!findings.logged) return;
    const auto [first, isFirst] = m_firstLines.try_emplace(DupeKey(qso), static_cast<std::uint32_t>(qso.line));
    if (findings.has(BadQsoReason::dupe)) name(qso.line, "DUPE", "DUPE of line " + std::to_string(first->second));
    (void)isFirst;
}

void LogRun::problem(const LogProblem& problem) {
    ++problems;
    if (!m_quiet) name(problem.line, KindOfMessage(problem.message), problem.message + ", line skipped");
}

void LogRun::note(const LogProblem& note) {
    if (!m_quiet) name(note.line, "note: " + KindOfMessage(note.message), note.message);
}
