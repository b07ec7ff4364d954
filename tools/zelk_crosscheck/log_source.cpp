#include "tools/zelk_crosscheck/log_source.h"

#include <fstream>
#include <sstream>

#include "tools/zelk_check/log_reader.h"
#include "tools/zelk_check/qso_fields.h"

namespace {

// The first value of an ADIF field, "<OPERATOR:5>UT5ZZ", anywhere in the text.
std::string AdifField(std::string_view text, std::string_view name) {
    const std::string upper = ToUpperAscii(text);
    const std::string tag = "<" + std::string(name) + ":";
    const std::size_t at = upper.find(tag);
    if (at == std::string::npos) return {};
    const std::size_t close = upper.find('>', at);
    if (close == std::string::npos) return {};
    std::size_t length = 0;
    for (std::size_t i = at + tag.size(); i < close && upper[i] >= '0' && upper[i] <= '9'; ++i)
        length = length * 10 + static_cast<std::size_t>(upper[i] - '0');
    return std::string(TrimmedBlanks(text.substr(close + 1, std::min<std::size_t>(length, 32))));
}

// Header lines "TAG: value" of a Cabrillo log whose tag starts with `prefix`.
template <class Visit>
void ForEachCabrilloHeader(std::string_view text, std::string_view prefix, Visit visit) {
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string tag = ToUpperAscii(TrimmedBlanks(line.substr(0, colon)));
        if (tag.starts_with(prefix)) {
            std::string_view value = line.substr(colon + 1);
            if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
            visit(tag, TrimmedBlanks(value));
        }
    }
}

std::string CallOfFileName(std::string_view fileName) {
    return ToUpperAscii(std::filesystem::path(fileName).stem().string());
}

}  // namespace

CrossLog CrossLogFromText(std::string_view fileName, std::string_view text) {
    CrossLog log;
    log.fileName = fileName;
    const LogContents contents = ReadContestLog(text);
    if (contents.format == LogFormat::unknown) {
        log.unreadable = contents.problems.empty() ? "not a log" : contents.problems.front().message;
        return log;
    }
    log.formatName = contents.format == LogFormat::adif ? "ADIF" : "Cabrillo";
    for (const LogProblem& problem : contents.problems)
        log.skipped.push_back({problem.line, problem.message});
    if (contents.qsos.empty()) {
        log.unreadable = "no QSO could be read from the log";
        return log;
    }

    log.ownCall = ToUpperAscii(contents.ownCall);
    if (log.ownCall.empty()) log.ownCall = ToUpperAscii(contents.qsos.front().myCall);
    // A Cabrillo QSO line always names the own call; an ADIF file may have it only as OPERATOR.
    if (log.ownCall.empty() && contents.format == LogFormat::adif)
        log.ownCall = ToUpperAscii(AdifField(text, "OPERATOR"));
    if (log.ownCall.empty()) {
        log.ownCall = CallOfFileName(fileName);
        log.ownCallFromFileName = true;
    }
    if (contents.format == LogFormat::cabrillo)
        // Cabrillo 3.0 splits the category into CATEGORY-* headers; 2.0 has it in one CATEGORY: header.
        ForEachCabrilloHeader(text, "CATEGORY", [&](const std::string& tag, std::string_view value) {
            if (!value.empty() && (tag == "CATEGORY" || tag.starts_with("CATEGORY-")))
                log.categories.emplace_back(tag, value);
        });

    log.qsos.reserve(contents.qsos.size());
    QsoTexts own;
    for (const LogQso& qso : contents.qsos) {
        if (qso.myCall.empty()) {
            own = qso;
            own.myCall = log.ownCall;
            log.add(own, qso.line);
        } else {
            log.add(qso, qso.line);
        }
    }
    return log;
}

CrossLog ReadCrossLog(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file || file.bad()) {
        CrossLog log;
        log.fileName = path.filename().string();
        log.unreadable = "the file cannot be read";
        return log;
    }
    return CrossLogFromText(path.filename().string(), text.view());
}
