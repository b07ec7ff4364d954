#include "crosscheck/results_pages.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "engine/ole_date.h"
#include "crosscheck/escaping.h"
#include "crosscheck/page_words.h"

namespace {

struct RankedRow {
    std::string category;  // empty: the log names none
    std::size_t rank = 0;
    const LogResult* result = nullptr;
};

// Categories in name order, the logs without one last; in each, the highest checked score first.
std::vector<RankedRow> Ranked(const CrossCheckRun& run) {
    std::map<std::pair<bool, std::string>, std::vector<const LogResult*>> groups;
    for (const LogResult& result : run.results) {
        const std::string category = run.logs[result.logIndex].categoryText();
        groups[{category.empty(), category}].push_back(&result);
    }
    std::vector<RankedRow> rows;
    for (auto& [key, results] : groups) {
        std::sort(results.begin(), results.end(), [&](const LogResult* a, const LogResult* b) {
            if (a->scores.checkedScore != b->scores.checkedScore)
                return a->scores.checkedScore > b->scores.checkedScore;
            if (a->scores.claimed.score.score != b->scores.claimed.score.score)
                return a->scores.claimed.score.score > b->scores.claimed.score.score;
            return run.logs[a->logIndex].ownCall < run.logs[b->logIndex].ownCall;
        });
        for (std::size_t i = 0; i < results.size(); ++i) {
            // Equal checked scores share a rank.
            const std::size_t rank =
                i > 0 && results[i]->scores.checkedScore == results[i - 1]->scores.checkedScore
                    ? rows.back().rank
                    : i + 1;
            rows.push_back({key.second, rank, results[i]});
        }
    }
    return rows;
}

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::vector<std::string> Figures(const CrossCheckRun& run, const LogResult& result, const MatchRules& rules) {
    const ContestScore& claimed = result.scores.claimed.score;
    const ContestScore& checked = result.scores.checked.score;
    return {std::to_string(claimed.total.qsos),
            std::to_string(checked.total.qsos),
            std::to_string(claimed.total.multiplier),
            std::to_string(checked.total.multiplier),
            std::to_string(claimed.score),
            std::to_string(result.scores.checkedScore),
            Percent(result.errorRate(run.logs[result.logIndex], rules)),
            std::to_string(CountOf(result.counts, Verdict::notInLog)),
            std::to_string(CountOf(result.counts, Verdict::bustedCall)),
            std::to_string(CountOf(result.counts, Verdict::bustedExchange)),
            std::to_string(CountOf(result.counts, Verdict::unique))};
}

std::string CategoryName(const RankedRow& row, const PageWords& words) {
    return row.category.empty() ? words.noCategory : row.category;
}

std::string ReasonOf(const CrossLog& log) { return log.unreadable; }

// The rules the results were reached by, for the participants to read.
std::string RulesText(const CrossCheckRun& run, const MatchRules& rules, const PageWords& words) {
    std::string text = Filled(words.periodAndWindow, {FormatOleDate(run.period.first, "%Y-%m-%d %H:%M"),
                                                      FormatOleDate(run.period.second, "%Y-%m-%d %H:%M"),
                                                      std::to_string(rules.windowSeconds / 60)});
    text += rules.bustedCalls ? words.bustedCallRule : "";
    text += rules.nilPenalty > 0 ? Filled(words.nilCostsPenalty, {std::to_string(rules.nilPenalty)})
                                 : words.nilCostsItsPoints;
    text += rules.removeUniques ? words.uniquesLoseCredit : words.uniquesKeepCredit;
    return text;
}

}  // namespace

std::string ResultsTablesHtml(const CrossCheckRun& run, const MatchRules& rules, bool reportLinks,
                              const PageWords& words) {
    std::string html =
        "<p>" + HtmlEscaped(Filled(words.logsChecked, {std::to_string(run.results.size()), std::to_string(run.qsos)})) +
        "</p>\n<p>" + HtmlEscaped(RulesText(run, rules, words)) + "</p>\n";
    std::string current;
    bool open = false;
    for (const RankedRow& row : Ranked(run)) {
        if (!open || row.category != current) {
            if (open) html += "</table>\n";
            html += "<h2>" + HtmlEscaped(CategoryName(row, words)) + "</h2>\n<table>\n<tr><th>" +
                    HtmlEscaped(words.rank) + "</th><th>" + HtmlEscaped(words.call) + "</th>";
            for (const std::string& name : words.figureNames) html += "<th>" + HtmlEscaped(name) + "</th>";
            html += reportLinks ? "<th>" + HtmlEscaped(words.report) + "</th></tr>\n" : "</tr>\n";
            current = row.category;
            open = true;
        }
        const CrossLog& log = run.logs[row.result->logIndex];
        html += "<tr><td class=\"n\">" + std::to_string(row.rank) + "</td><td>" + HtmlEscaped(log.ownCall) +
                "</td>";
        for (const std::string& figure : Figures(run, *row.result, rules))
            html += "<td class=\"n\">" + figure + "</td>";
        if (reportLinks)
            html += "<td><a href=\"" + HtmlEscaped(row.result->pageName) + ".html\">" + HtmlEscaped(words.reportPage) +
                    "</a> <a href=\"" + HtmlEscaped(row.result->pageName) + ".ubn.txt\">" +
                    HtmlEscaped(words.reportText) + "</a></td>";
        html += "</tr>\n";
    }
    if (open) html += "</table>\n";
    std::string notScored;
    for (const CrossLog& log : run.logs)
        if (!log.unreadable.empty())
            notScored += "<tr><td>" + HtmlEscaped(log.fileName) + "</td><td>" + HtmlEscaped(log.ownCall) +
                         "</td><td>" + HtmlEscaped(ReasonOf(log)) + "</td></tr>\n";
    if (!notScored.empty())
        html += "<h2>" + HtmlEscaped(words.logsNotScored) + "</h2>\n<table>\n<tr><th>" + HtmlEscaped(words.file) +
                "</th><th>" + HtmlEscaped(words.call) + "</th><th>" + HtmlEscaped(words.reason) + "</th></tr>\n" +
                notScored + "</table>\n";
    return html;
}

std::string ResultsHtml(const CrossCheckRun& run, const MatchRules& rules) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>ZELK contest "
           "results</title>\n"
           "<style>body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse;margin-bottom:1.5em}"
           "td,th{border:1px solid #bbb;padding:2px 6px}td.n{text-align:right}</style>\n</head>\n<body>\n"
           "<h1>ZELK contest results</h1>\n" +
           ResultsTablesHtml(run, rules, true) + "</body>\n</html>\n";
}

std::string ResultsCsv(const CrossCheckRun& run, const MatchRules& rules) {
    const PageWords& words = PageWords::English();
    std::string csv = "Category,Rank,Call";
    for (const std::string& name : words.figureNames) csv += "," + name;
    csv += ",Log file,Not scored\r\n";
    for (const RankedRow& row : Ranked(run)) {
        const CrossLog& log = run.logs[row.result->logIndex];
        csv += CsvText(CategoryName(row, words)) + "," + std::to_string(row.rank) + "," + CsvText(log.ownCall);
        for (const std::string& figure : Figures(run, *row.result, rules)) csv += "," + figure;
        csv += "," + CsvText(log.fileName) + ",\r\n";
    }
    for (const CrossLog& log : run.logs) {
        if (log.unreadable.empty()) continue;
        csv += ",," + CsvText(log.ownCall) + std::string(words.figureNames.size(), ',') + "," +
               CsvText(log.fileName) + "," + CsvField(ReasonOf(log)) + "\r\n";
    }
    return csv;
}
