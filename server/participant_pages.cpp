#include "server/participant_pages.h"

#include "server/ownership_pages.h"

namespace {

std::string Say(std::string_view key, Language language,
                std::initializer_list<std::pair<std::string_view, std::string>> values = {}) {
    return Text(key, language, values);
}

// A text of the catalog with values from a log or a client: the whole of it escaped.
std::string SayEscaped(std::string_view key, Language language,
                       std::initializer_list<std::pair<std::string_view, std::string>> values) {
    return Escaped(Text(key, language, values));
}

std::string ResultsLink(Language language) {
    return "<p class=\"ok\">" + Say("receipt.results_published", language) + " <a href=\"/results/\">" +
           Say("contest.see_results_link", language) + "</a></p>\n";
}

}  // namespace

std::string ContestPage(const ContestView& contest, const PageFrame& frame) {
    const Language language = frame.language;
    const std::string title = Say("contest.title", language, {{"contest", contest.name}});
    std::string body = ContestFacts(contest, language);
    if (!contest.open) {
        // Nothing to send any more: no upload rules, no form; the results once they are out.
        body += "<p class=\"error\">" + Say("contest.closed", language) + "</p>\n";
        body += contest.resultsPublished ? ResultsLink(language) : "<p>" + Say("contest.closed_wait", language) + "</p>\n";
        return PageShell(title, body, frame);
    }
    body += "<h2>" + Say("contest.rules", language) + "</h2>\n<ul>";
    for (const char* rule : {"contest.rule_format", "contest.rule_check", "contest.rule_correct", "contest.rule_crosscheck"})
        body += "<li>" + Escaped(Say(rule, language)) + "</li>";
    body += "</ul>\n";
    if (contest.resultsPublished) body += ResultsLink(language);
    body += "<h2>" + Say("upload.heading", language) +
            "</h2>\n<form class=\"box\" method=\"post\" action=\"/upload\" enctype=\"multipart/form-data\">\n<label>" +
            Say("upload.file", language, {{"size", FormatBytes(contest.maxUploadBytes, language)}}) +
            " <input type=\"file\" name=\"log\"></label>\n<label>" + Say("upload.paste", language) +
            "<br><textarea name=\"text\"></textarea></label>\n<label>" + Say("category.label", language) + ": " +
            CategorySelectHtml(contest, "", language) + "</label>\n<label>" + Say("upload.email", language) +
            " <input type=\"email\" name=\"email\" size=\"40\"></label>\n<button type=\"submit\">" +
            Say("upload.submit", language) + "</button>\n</form>\n<p><a href=\"/lost-link\">" +
            Say("upload.lost_link", language) + "</a></p>\n";
    return PageShell(title, body, frame);
}

std::string ReceiptPage(const ContestView& contest, const Receipt& receipt, const UploadCheck& check, bool fresh,
                        const PageFrame& frame) {
    const Language language = frame.language;
    const auto say = [&](std::string_view key) { return Say(key, language); };
    const Submission& s = receipt.submission;
    std::string body;
    if (fresh) body += "<p class=\"ok\">" + say("receipt.stored") + "</p>\n";
    if (receipt.replaced)
        body += "<p class=\"warn\">" + Say("receipt.replaces", language, {{"number", Number(*receipt.replaced)}}) + "</p>\n";
    body += ReceiptOwnershipHtml(contest, receipt, language);
    for (const std::string& problem : receipt.categoryProblems) body += "<p class=\"warn\">" + Escaped(problem) + "</p>\n";
    const std::string& link = receipt.fullLink.empty() ? receipt.link : receipt.fullLink;
    std::string deadline = FormatUnixUtc(contest.deadline) + " ";
    if (contest.now < contest.deadline)
        deadline += Say("receipt.deadline_left", language, {{"left", TimeLeft(contest.deadline - contest.now, language)}});
    else
        deadline += say(contest.open ? "facts.reopened" : "facts.passed");
    const std::string category = receipt.categoryName.empty() ? "<em>" + say("receipt.no_category") + "</em>"
                                                               : Escaped(receipt.categoryName);
    const std::string email = s.email.empty() ? "<em>" + say("receipt.no_email") + "</em>"
                                              : SayEscaped("receipt.emailed", language, {{"email", s.email}});
    body += "<div class=\"scroll\"><table class=\"receipt\">\n" + Row({say("receipt.number"), Number(s.id)}) +
            Row({say("receipt.received"), FormatUnixUtc(s.receivedAt)}) + Row({say("facts.deadline"), deadline}) +
            Row({say("receipt.call"), Escaped(s.call)}) + Row({say("category.label"), category}) +
            Row({say("receipt.file"), s.originalName.empty() ? "<em>" + say("receipt.pasted") + "</em>" : Escaped(s.originalName)}) +
            Row({say("receipt.sha256"), "<code>" + Escaped(s.sha256) + "</code>"}) +
            Row({say("receipt.size"), Say("bytes.bytes", language, {{"count", Number(s.size)}})}) +
            Row({say("receipt.email"), email}) + Row({say("check.qsos_read"), Number(s.qsosRead)}) +
            Row({say("check.qsos_scored"), Number(s.qsosScored)}) + Row({say("check.claimed_score"), Number(s.claimedScore)}) +
            Row({say("receipt.link"), "<a class=\"link\" href=\"" + Escaped(link) + "\">" + Escaped(link) + "</a>"}) +
            "</table></div>\n";
    body += "<p class=\"note\">" + say("receipt.qso_counts") + "</p>\n";
    if (receipt.ubnLink)
        body += "<p class=\"ok\">" + say("receipt.results_published") + " <a href=\"" + Escaped(*receipt.ubnLink) + "\">" +
                say("receipt.report_link") + "</a>.</p>\n";
    body += "<h2>" + say("receipt.check_heading") + "</h2>\n" + CheckDetailsHtml(check, language);
    body += CorrectedLogFormHtml(contest, receipt, language);
    return PageShell(Say("receipt.title", language, {{"call", s.call}}), body, frame);
}

std::string RefusalPage(const std::string& reason, const std::string& detail, const PageFrame& frame) {
    return PageShell(Say("refusal.title", frame.language),
                     "<p class=\"error\">" + Escaped(reason) + "</p>\n<p>" + Escaped(detail) + "</p>\n<p><a href=\"/\">" +
                         Say("refusal.back", frame.language) + "</a></p>\n",
                     frame);
}

std::string LostLinkPage(const std::string& answer, const PageFrame& frame) {
    const Language language = frame.language;
    std::string body;
    if (!answer.empty()) body += "<p class=\"ok\">" + Escaped(answer) + "</p>\n";
    body += "<p>" + Say("lost_link.explain", language) + "</p>\n<form class=\"box\" method=\"post\" action=\"/lost-link\"><label>" +
            Say("lost_link.call", language) + " <input name=\"call\" size=\"14\" maxlength=\"20\"></label> <button type=\"submit\">" +
            Say("lost_link.submit", language) + "</button></form>\n";
    return PageShell(Say("lost_link.title", language), body, frame);
}

std::string ReceivedPage(const ContestView& contest, const std::vector<Submission>& active,
                         const std::map<std::string, std::string>& categoryNames, bool showCounts, const PageFrame& frame) {
    const Language language = frame.language;
    const auto say = [&](std::string_view key) { return Say(key, language); };
    std::string body = ContestFacts(contest, language) + "<p>" +
                       (active.size() == 1 ? say("received.count_one")
                                           : Say("received.count", language, {{"count", Number(static_cast<std::int64_t>(active.size()))}})) +
                       "</p>\n";
    body += "<div class=\"scroll\"><table class=\"received\">\n" +
            (showCounts ? Row({say("receipt.call"), say("category.label"), say("received.last_upload"), say("received.qsos"),
                               say("check.claimed_score")},
                              "th")
                        : Row({say("receipt.call"), say("category.label"), say("received.last_upload")}, "th"));
    for (const Submission& s : active) {
        const auto name = categoryNames.find(s.categoryEntry);
        const std::string category =
            name != categoryNames.end() ? Escaped(name->second) : "<em>" + say("receipt.no_category") + "</em>";
        body += showCounts ? Row({Escaped(s.call), category, FormatUnixUtc(s.receivedAt), Number(s.qsosRead),
                                  Number(s.claimedScore)})
                           : Row({Escaped(s.call), category, FormatUnixUtc(s.receivedAt)});
    }
    body += "</table></div>\n";
    if (contest.resultsPublished) body += "<p><a href=\"/results/\">" + say("received.published") + "</a></p>\n";
    return PageShell(say("received.title"), body, frame);
}

std::string NoResultsPage(const PageFrame& frame) {
    return PageShell(Say("results.title", frame.language), "<p>" + Say("results.none", frame.language) + "</p>\n", frame);
}

std::string ResultsPage(const std::string& tablesHtml, std::int64_t publishedAt, bool reportsPublic,
                        const PageFrame& frame) {
    const Language language = frame.language;
    std::string body = "<p>" + Say("results.published_at", language, {{"time", FormatUnixUtc(publishedAt)}}) +
                       " <a href=\"/results/results.csv\">" + Say("results.csv_link", language) + "</a></p>\n";
    if (!reportsPublic) body += "<p class=\"note\">" + Say("results.reports_private", language) + "</p>\n";
    body += "<div class=\"results\">\n" + tablesHtml + "</div>\n";
    return PageShell(Say("results.title", language), body, frame);
}

std::string ReportPage(const std::string& call, const std::string& sectionsHtml, const std::string& textLink,
                       const PageFrame& frame) {
    const Language language = frame.language;
    return PageShell(Say("report.title", language, {{"call", call}}),
                     "<p><a href=\"" + Escaped(textLink) + "\">" + Say("report.text", language) +
                         "</a> · <a href=\"/results/\">" + Say("report.all_results", language) +
                         "</a></p>\n<div class=\"report\">\n" + sectionsHtml + "</div>\n",
                     frame);
}
