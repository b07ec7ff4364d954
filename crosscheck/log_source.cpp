#include "crosscheck/log_source.h"

#include <fstream>
#include <sstream>

#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "crosscheck/escaping.h"

namespace {

// Keeps each QSO of the log as it is read, and each skipped line.
class CrossLogVisitor : public LogVisitor {
public:
    explicit CrossLogVisitor(CrossLog& log) : m_log(log) {}
    void qso(const LogQso& qso) override { m_log.add(qso, qso.line, qso.timeHasSeconds); }
    void problem(const LogProblem& problem) override {
        ++m_log.skippedCount;
        if (m_cap.admit(KindOfMessage(problem.message), problem.message)) m_log.skipped.push_back({problem.line, problem.message});
    }
    void finish() { m_log.skippedWithheld = m_cap.withheld(); }

private:
    CrossLog& m_log;
    MessageCap m_cap;
};

std::string CallOfFileName(std::string_view fileName) {
    return ToUpperAscii(std::filesystem::path(fileName).stem().string());
}

// The own call the log gives, else the file name's; a text that is no call sign leaves the log
// unscored with the reason, as does a log that gives none and a file name that is none.
void SettleOwnCall(std::string_view fileName, std::string given, CrossLog& log) {
    if (given.empty()) {
        std::string fromName = CallOfFileName(fileName);
        if (!IsCallShaped(fromName)) {
            log.unreadable = "the log names no own call, and its file name \"" + ShownText(fromName) +
                             "\" is no call sign";
            return;
        }
        log.ownCall = std::move(fromName);
        log.ownCallFromFileName = true;
        return;
    }
    if (!IsCallShaped(given)) {
        log.unreadable = "the own call \"" + ShownText(given) + "\" is not a call sign";
        return;
    }
    log.ownCall = std::move(given);
}

// "CATEGORY-OPERATOR: SINGLE-OP" (3.0) or "CATEGORY: SINGLE-OP ALL LOW" (2.0) as tag and value.
void KeepCategories(const std::vector<std::string>& lines, CrossLog& log) {
    for (const std::string& line : lines) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string tag = ToUpperAscii(TrimmedBlanks(std::string_view(line).substr(0, colon)));
        const std::string_view value = TrimmedBlanks(std::string_view(line).substr(colon + 1));
        if (!value.empty() && (tag == "CATEGORY" || tag.starts_with("CATEGORY-")))
            log.categories.emplace_back(tag, value);
    }
}

CrossLog CrossLogFromStream(std::string_view fileName, std::istream& input) {
    CrossLog log;
    log.fileName = fileName;
    CrossLogVisitor visitor(log);
    const LogHeader header = ReadContestLog(input, visitor);
    visitor.finish();
    if (header.format == LogFormat::unknown) {
        log.unreadable = log.skipped.empty() ? "not a log" : log.skipped.front().reason;
        log.skipped.clear();
        log.skippedWithheld.clear();
        log.skippedCount = 0;
        return log;
    }
    log.formatName = LogFormatName(header.format);
    if (log.qsos.empty()) {
        log.unreadable = "no QSO could be read from the log";
        return log;
    }

    std::string given = header.ownCall;
    if (given.empty()) given = ToUpperAscii(log.text(log.qsos.front().myCall));
    SettleOwnCall(fileName, std::move(given), log);
    if (!log.unreadable.empty()) return log;
    log.giveOwnCallToQsosWithout();
    KeepCategories(header.categoryLines, log);
    return log;
}

}  // namespace

CrossLog CrossLogFromText(std::string_view fileName, std::string_view text) {
    std::istringstream input{std::string(text)};
    return CrossLogFromStream(fileName, input);
}

CrossLog ReadCrossLog(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        CrossLog log;
        log.fileName = path.filename().string();
        log.unreadable = "the file cannot be read";
        return log;
    }
    return CrossLogFromStream(path.filename().string(), file);
}
