#include "crosscheck/ubn_report.h"

#include <cstdio>
#include <vector>

#include "engine/ole_date.h"
#include "crosscheck/escaping.h"
#include "crosscheck/hour_chart.h"
#include "crosscheck/page_words.h"
#include "crosscheck/row_text.h"

namespace {

struct Row {
    std::string line, time, band, mode, call, detail;
};

struct Section {
    Verdict verdict;
    std::string title;
    std::string note;  // what the verdict does to the score
    std::vector<Row> rows;
};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string CreditNote(Verdict verdict, const MatchRules& rules, const PageWords& words) {
    if (verdict == Verdict::notInLog && rules.nilPenalty > 0)
        return Filled(words.removedWithPenalty, {std::to_string(rules.nilPenalty)});
    if (verdict == Verdict::rejected) return words.notChecked;
    return KeepsCredit(verdict, rules) ? words.counted : words.removed;
}

std::vector<Section> SectionsOf(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules,
                                const PageWords& words) {
    std::vector<Section> sections = {
        {Verdict::notInLog, words.notInLog, "", {}},
        {Verdict::bustedCall, words.bustedCalls, "", {}},
        {Verdict::bustedExchange, words.bustedExchanges, "", {}},
        {Verdict::unique, words.uniques, "", {}},
        {Verdict::notCheckable, words.notCheckable, "", {}},
        {Verdict::dupe, words.dupes, "", {}},
        {Verdict::rejected, words.rejected, "", {}},
        {Verdict::outsidePeriod, words.outsidePeriod, "", {}},
    };
    for (Section& section : sections) section.note = CreditNote(section.verdict, rules, words);
    const CrossLog& log = run.logs[result.logIndex];
    const auto& checks = run.checks[result.logIndex];
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        const QsoCheck& check = checks[i];
        if (check.verdict == Verdict::matched) continue;
        const CrossQso& qso = log.qsos[i];
        std::string time;
        AppendLogTime(time, qso.seconds);
        Row row{std::to_string(qso.line),        std::move(time),
                std::string(log.text(qso.band)), std::string(log.text(qso.mode)),
                std::string(log.text(qso.call)), ""};
        if (check.verdict == Verdict::bustedCall) {
            const CrossLog& other = run.logs[check.partnerLog];
            row.detail = Filled(words.loggedCorrect, {row.call, other.ownCall, SlipName(check.slip)});
        } else if (check.verdict == Verdict::bustedExchange) {
            const CrossLog& other = run.logs[check.partnerLog];
            const CrossQso& theirs = other.qsos[check.partnerQso];
            row.detail = Filled(words.receivedSent,
                                {Quoted(log.text(qso.exchReceived)), other.ownCall, Quoted(other.text(theirs.exchSent))});
        } else {
            row.detail =
                Filled(words.sentReceived, {Quoted(log.text(qso.exchSent)), Quoted(log.text(qso.exchReceived))});
        }
        for (Section& section : sections)
            if (section.verdict == check.verdict) section.rows.push_back(std::move(row));
    }
    return sections;
}

// The plug-in's summary ends its lines with CR LF; a report keeps one kind of line end.
std::string Summary(const std::string& text) {
    std::string plain = text;
    std::erase(plain, '\r');
    return plain;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string HeadingText(const CrossCheckRun& run, const LogResult& result, const PageWords& words) {
    const CrossLog& log = run.logs[result.logIndex];
    std::string text = Filled(words.logFile, {log.fileName, log.formatName, std::to_string(log.qsos.size()),
                                              std::to_string(log.skippedCount),
                                              log.skippedCount == 1 ? words.lineOne : words.lineMany});
    if (log.ownCallFromFileName) text += Filled(words.ownCallFromFileName, {log.ownCall});
    if (!log.categories.empty()) text += Filled(words.category, {log.categoryText()});
    return text;
}

std::string PenaltyText(const LogResult& result, const MatchRules& rules, const PageWords& words) {
    if (rules.nilPenalty <= 0 || result.scores.nils == 0) return "";
    return Filled(words.nilPenalty, {std::to_string(rules.nilPenalty), std::to_string(result.scores.nils),
                                     std::to_string(result.scores.checkedScore)});
}

}  // namespace

std::string_view VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::matched:
            return "matched";
        case Verdict::bustedExchange:
            return "busted exchange";
        case Verdict::bustedCall:
            return "busted call";
        case Verdict::notInLog:
            return "not in log";
        case Verdict::unique:
            return "unique";
        case Verdict::notCheckable:
            return "not checkable";
        case Verdict::dupe:
            return "dupe";
        case Verdict::rejected:
            return "outside the contest";
        case Verdict::outsidePeriod:
            return "outside the period";
    }
    return "";
}

std::string UbnText(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules) {
    const PageWords& words = PageWords::English();
    const CrossLog& log = run.logs[result.logIndex];
    std::string text =
        "ZELK contest log check: UBN report for " + log.ownCall + "\n\n" + HeadingText(run, result, words);
    text += "\nClaimed score (every QSO of the log)\n" + Summary(result.scores.claimed.summary);
    text += "\nChecked score (the QSOs the other logs confirm, or cannot check)\n" +
            Summary(result.scores.checked.summary);
    text += PenaltyText(result, rules, words);
    for (const Section& section : SectionsOf(run, result, rules, words)) {
        text += "\n" + section.title + ": " + std::to_string(section.rows.size());
        if (section.rows.empty()) {
            text += "\n";
            continue;
        }
        text += ", " + section.note + "\n";
        for (const Row& row : section.rows)
            text += "  line " + Padded(row.line, 6) + row.time + "  " + Padded(row.band, 5) +
                    Padded(row.mode, 8) + Padded(row.call, 12) + row.detail + "\n";
    }
    if (!log.skipped.empty()) {
        text += "\nSkipped lines: " + std::to_string(log.skippedCount) + "\n";
        for (const SkippedLine& skipped : log.skipped)
            text += "  " + log.fileName + ":" + std::to_string(skipped.line) + ": " + skipped.reason + "\n";
        for (const MessageCap::Withheld& withheld : log.skippedWithheld)
            text += "  " + log.fileName + ": " + WithheldLine(withheld) + "\n";
    }
    return text;
}

std::string UbnHtml(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules) {
    const CrossLog& log = run.logs[result.logIndex];
    const std::string call = HtmlEscaped(log.ownCall);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>UBN report " + call +
        "</title>\n<style>body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
        "td,th{border:1px solid #bbb;padding:2px 6px;text-align:left}pre{background:#f4f4f4;padding:6px}"
        // A phone's narrow screen: wide tables and text scroll inside themselves, the chart shrinks.
        "pre,table{overflow-x:auto;max-width:100%}table{display:block}svg{max-width:100%;height:auto}"
        "@media (max-width:40em){body{margin:.8em}td{white-space:nowrap}}"
        "</style>\n</head>\n<body>\n<p><a href=\"results.html\">Results</a></p>\n<h1>UBN report for " + call +
        "</h1>\n";
    return html + UbnSectionsHtml(run, result, rules) + "</body>\n</html>\n";
}

std::string UbnSectionsHtml(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules,
                            const PageWords& words) {
    const CrossLog& log = run.logs[result.logIndex];
    std::string html = "<pre>" + HtmlEscaped(HeadingText(run, result, words)) + "</pre>\n";
    html += "<h2>" + HtmlEscaped(words.qsosPerHour) + "</h2>\n" + HourChartSvg(log, run.period);
    html += "<h2>" + HtmlEscaped(words.claimedScore) + "</h2>\n<pre>" +
            HtmlEscaped(Summary(result.scores.claimed.summary)) + "</pre>\n";
    html += "<h2>" + HtmlEscaped(words.checkedScore) + "</h2>\n<pre>" +
            HtmlEscaped(Summary(result.scores.checked.summary) + PenaltyText(result, rules, words)) + "</pre>\n";
    for (const Section& section : SectionsOf(run, result, rules, words)) {
        html += "<h2>" + HtmlEscaped(section.title) + ": " + std::to_string(section.rows.size()) + "</h2>\n";
        if (section.rows.empty()) continue;
        html += "<p>" + HtmlEscaped(section.note) + "</p>\n<table>\n<tr>";
        for (const std::string* name : {&words.line, &words.time, &words.band, &words.mode, &words.call})
            html += "<th>" + HtmlEscaped(*name) + "</th>";
        html += "<th></th></tr>\n";
        for (const Row& row : section.rows)
            html += "<tr><td>" + row.line + "</td><td>" + HtmlEscaped(row.time) + "</td><td>" +
                    HtmlEscaped(row.band) + "</td><td>" + HtmlEscaped(row.mode) + "</td><td>" +
                    HtmlEscaped(row.call) + "</td><td>" + HtmlEscaped(row.detail) + "</td></tr>\n";
        html += "</table>\n";
    }
    if (!log.skipped.empty()) {
        html += "<h2>" + HtmlEscaped(Filled(words.skippedLines, {std::to_string(log.skippedCount)})) + "</h2>\n<pre>";
        for (const SkippedLine& skipped : log.skipped)
            html +=
                HtmlEscaped(log.fileName + ":" + std::to_string(skipped.line) + ": " + skipped.reason) + "\n";
        for (const MessageCap::Withheld& withheld : log.skippedWithheld)
            html += HtmlEscaped(log.fileName + ": " + WithheldLine(withheld)) + "\n";
        html += "</pre>\n";
    }
    return html;
}
