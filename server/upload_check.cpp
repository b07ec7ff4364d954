#include "server/upload_check.h"

#include <cmath>
#include <ostream>

#include "checker/log_check.h"
#include "checker/log_passes.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_source.h"
#include "server/secrets.h"

namespace fs = std::filesystem;

namespace {

// Takes the lines the checker's log run names (":12: DUPE of line 7"), keeping the first ones.
class FindingLines : public std::streambuf {
public:
    explicit FindingLines(UploadCheck& check) : m_check(check) {}

protected:
    int_type overflow(int_type c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        take(static_cast<char>(c));
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize i = 0; i < count; ++i) take(text[i]);
        return count;
    }

private:
    void take(char c) {
        if (c != '\n') {
            if (m_line.size() < 1000) m_line += c;
            return;
        }
        ++m_check.findingsTotal;
        if (m_check.findings.size() < UploadCheck::kFindingsShown) {
            // The log's name is empty: ":LINE: message".
            Finding finding;
            const std::size_t colon = m_line.find(':', 1);
            if (m_line.starts_with(':') && colon != std::string::npos) {
                finding.line = std::strtoull(m_line.c_str() + 1, nullptr, 10);
                finding.message = m_line.substr(std::min(colon + 2, m_line.size()));
            } else {
                finding.message = m_line;
            }
            m_check.findings.push_back(std::move(finding));
        }
        m_line.clear();
    }

    UploadCheck& m_check;
    std::string m_line;
};

// Removes the scratch file when the check is done with it.
struct ScratchFile {
    fs::path path;
    ~ScratchFile() {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
};

std::string CategoryOf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        const std::string_view trimmed = TrimmedBlanks(line);
        if (trimmed.empty()) continue;
        if (!text.empty()) text += "; ";
        text += trimmed;
    }
    return text;
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

UploadCheck Refused(std::string reason) {
    UploadCheck check;
    check.refusal = std::move(reason);
    return check;
}

}  // namespace

UploadCheck CheckUpload(std::string_view bytes, const ContestRules& rules, const fs::path& scratchFolder) {
    LogSurvey survey;
    {
        ViewStreamBuffer buffer(bytes);
        std::istream input(&buffer);
        survey.header = ReadContestLog(input, survey);
    }
    if (survey.header.format == LogFormat::unknown)
        return Refused(survey.unreadable.empty() ? "the file is not a contest log (Cabrillo or ADIF)" : survey.unreadable);

    UploadCheck check;
    check.formatName = LogFormatName(survey.header.format);
    check.ownCall = !survey.header.ownCall.empty() ? survey.header.ownCall : ToUpperAscii(survey.firstMyCall);
    if (check.ownCall.empty())
        return Refused(survey.header.format != LogFormat::cabrillo
                           ? "the log names no own call: give STATION_CALLSIGN in its records"
                           : "the log names no own call: give it on a CALLSIGN: line");
    // The cross-check scores no log whose own call lacks a call's shape: such a log is refused now,
    // while its sender can still mend it.
    if (check.ownCall.size() > kMaxCallLength || !IsCallShaped(check.ownCall))
        return Refused("the own call \"" + check.ownCall.substr(0, kMaxCallLength) +
                       "\" is not a call sign (letters, digits and \"/\", at most " + std::to_string(kMaxCallLength) +
                       " characters)");
    check.category = CategoryOf(survey.header.categoryLines);
    check.categoryLines = survey.header.categoryLines;

    CheckSettings settings;
    settings.districtList = rules.districtList;
    settings.ownCall = check.ownCall;
    settings.contestStart = rules.start;
    settings.contestEnd = rules.end;
    settings.expectedQsos = survey.qsos;
    ScratchFile badQsoFile{scratchFolder / ("badqso-" + RandomToken(8) + ".txt")};
    settings.badQsoDiskPath = badQsoFile.path.string();

    FindingLines lines(check);
    std::ostream findings(&lines);
    LogCheck logCheck(settings);
    LogRun run(logCheck, settings, fs::path(), findings, false);
    {
        ViewStreamBuffer buffer(bytes);
        std::istream input(&buffer);
        ReadContestLog(input, run);
    }
    findings.flush();
    // The checker names the first messages of each kind; the rest are in the count.
    check.findingsTotal += run.messages().withheldCount();
    const CheckOutcome outcome = logCheck.finish();

    check.usable = true;
    check.qsosRead = run.qsos;
    check.qsosScored = outcome.qsosLogged;
    check.skippedLines = run.problems;
    check.outsidePeriod = run.outsidePeriod;
    check.claimedScore = outcome.score.score;
    check.summary = outcome.summary;

    if (check.qsosRead == 0)
        check.warnings.push_back("The log holds no QSO that could be read: it is kept, but it scores nothing.");
    if (survey.header.ownCall.empty())
        check.warnings.push_back(std::string("The log has no ") +
                                 (survey.header.format != LogFormat::cabrillo ? "STATION_CALLSIGN" : "CALLSIGN: line") +
                                 "; the own call " + check.ownCall + " was taken from its QSOs.");
    if (check.category.empty())
        check.warnings.push_back("The log names no category (CATEGORY-...: lines): it will be listed without one.");
    if (check.outsidePeriod > 0)
        check.warnings.push_back(Plural(check.outsidePeriod, "QSO is", "QSOs are") + " outside the contest period (" +
                                 FormatMinute(rules.start) + " to " + FormatMinute(rules.end) +
                                 " UTC) and not scored.");
    if (check.skippedLines > 0)
        check.warnings.push_back(Plural(check.skippedLines, "line was", "lines were") +
                                 " skipped: they are not in the score.");
    if (survey.header.format == LogFormat::cabrillo && !survey.header.endOfLog)
        check.warnings.push_back("The log has no END-OF-LOG: line: was it cut short?");
    return check;
}

std::string FormatMinute(const OleDateTime& time) { return FormatOleDate(time, "%Y-%m-%d %H:%M"); }

namespace {
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 in days since 1899-12-30
}

std::int64_t UnixSeconds(const OleDateTime& time) {
    return static_cast<std::int64_t>(std::llround((time.m_dt - kUnixEpochDays) * 86400.0));
}

OleDateTime OleOfUnix(std::int64_t seconds) {
    OleDateTime time;
    time.m_dt = kUnixEpochDays + static_cast<double>(seconds) / 86400.0;
    return time;
}

std::string FormatUnixUtc(std::int64_t seconds) { return FormatOleDate(OleOfUnix(seconds), "%Y-%m-%d %H:%M:%S") + " UTC"; }
