#include "server/site_pages.h"

#include <nlohmann/json.hpp>

#include "reports/html_text.h"
#include "server/ownership_pages.h"

std::string Row(std::initializer_list<std::string> cells, const char* tag) {
    std::string html = "<tr>";
    for (const std::string& cell : cells) html += std::string("<") + tag + ">" + cell + "</" + tag + ">";
    return html + "</tr>\n";
}

std::string Number(std::int64_t value) { return std::to_string(value); }

std::string CsrfField(const std::string& csrf) {
    return "<input type=\"hidden\" name=\"csrf\" value=\"" + Escaped(csrf) + "\">";
}

namespace {

std::string ContestFacts(const ContestView& contest) {
    std::string html = "<dl class=\"facts\"><dt>Contest period</dt><dd>" + Escaped(contest.start) + " to " +
                       Escaped(contest.end) + " UTC</dd><dt>Log deadline</dt><dd>" + FormatUnixUtc(contest.deadline);
    if (contest.now < contest.deadline)
        html += " (" + TimeLeft(contest.deadline - contest.now) + " left)";
    else
        html += contest.open ? " (passed; uploads reopened by the committee)" : " (passed)";
    return html + "</dd></dl>\n";
}

}  // namespace

std::string Escaped(const std::string& text) { return HtmlEscaped(text); }

std::string FormatBytes(std::size_t bytes) {
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
    if (bytes >= 1024) return std::to_string(bytes / 1024) + " KB";
    return std::to_string(bytes) + " bytes";
}

std::string TimeLeft(std::int64_t seconds) {
    const std::int64_t days = seconds / 86400, hours = seconds % 86400 / 3600, minutes = seconds % 3600 / 60;
    if (days > 0) return std::to_string(days) + " d " + std::to_string(hours) + " h";
    if (hours > 0) return std::to_string(hours) + " h " + std::to_string(minutes) + " min";
    return std::to_string(std::max<std::int64_t>(minutes, 1)) + " min";
}

const char* const kStyleSheet = R"(body{font-family:sans-serif;margin:0;color:#222;background:#fafafa}
header{background:#234;color:#fff;padding:.6em 1.5em}header a{color:#fff;text-decoration:none;margin-right:1.2em}
header .site{font-weight:bold;font-size:1.2em}main{padding:1em 1.5em;max-width:70em}
table{border-collapse:collapse;margin:.5em 0 1.5em}td,th{border:1px solid #bbb;padding:3px 8px;text-align:left;vertical-align:top}
td.n{text-align:right}a.link,code{overflow-wrap:anywhere}p.note{color:#555;max-width:45em}pre{background:#fff;border:1px solid #ccc;padding:.6em;overflow:auto}
.warn{background:#fff4d6;border:1px solid #e0b84a;padding:.5em 1em;margin:.5em 0}
.error{background:#fde2e0;border:1px solid #d9534f;padding:.5em 1em;margin:.5em 0}
.ok{background:#e3f4e3;border:1px solid #5cb85c;padding:.5em 1em;margin:.5em 0}
dl.facts dt{font-weight:bold;float:left;clear:left;width:10em}dl.facts dd{margin-left:11em}
form.box{background:#fff;border:1px solid #ccc;padding:1em;margin:1em 0}label{display:block;margin:.4em 0}
textarea{width:100%;max-width:60em;height:8em;font-family:monospace}.replaced{color:#888}
form.inline{display:inline;margin:0 .3em 0 0}
/* The committee's pages: wide tables scroll inside their box, never the page. */
div.scroll{overflow-x:auto;max-width:100%;margin:.5em 0 1.5em}div.scroll table{margin:0}
nav.desk{margin:.2em 0 1em}nav.desk a{display:inline-block;margin:0 1em .3em 0}
form.search label{display:inline-block;margin:.3em 1em .3em 0}form.search a{white-space:nowrap;margin-left:.5em}
div.scroll th,table.submissions td,table.history td,table.pending td,table.runs td{white-space:nowrap}
small.lines{display:block;color:#666;white-space:normal;min-width:12em;max-width:24em;overflow-wrap:anywhere}
table.mail td{white-space:nowrap}
table.mail td:nth-child(3),table.mail td:nth-child(7),table.runs td:nth-child(5){white-space:normal;min-width:12em;max-width:26em;overflow-wrap:anywhere}
textarea.message{height:14em;font-family:sans-serif}textarea.table{height:22em}input{max-width:100%}
tr.failed td{background:#fde2e0}p.pages a{margin:0 .3em}td form.inline{white-space:nowrap}
textarea.message,textarea.table{box-sizing:border-box}p.ok,p.error,p.warn{overflow-wrap:anywhere}
/* End of the committee's rules. */
)";

std::string PageShell(const std::string& title, const std::string& body, Language language) {
    return "<!DOCTYPE html>\n<html lang=\"" + std::string(LanguageCode(language)) + "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
           Escaped(title) +
           " - ZELK contest logs</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n"
           "<header><a class=\"site\" href=\"/\">ZELK contest logs</a> <a href=\"/\">Upload a log</a>"
           "<a href=\"/received\">Logs received</a><a href=\"/results\">Results</a><a href=\"/committee\">Committee</a>"
           "</header>\n<main>\n<h1>" +
           Escaped(title) + "</h1>\n" + body + "</main>\n</body>\n</html>\n";
}

std::string ContestPage(const ContestView& contest) {
    std::string body = ContestFacts(contest);
    body +=
        "<h2>The rules in short</h2>\n<ul><li>Send one log per station, Cabrillo (2.0 or 3.0) or ADIF, "
        "with your call (CALLSIGN:) in its header; your category from the header (CATEGORY-...:) or chosen on the "
        "form (an ADIF log cannot say it).</li>"
        "<li>Your log is checked at once with the contest's own rules: you see what was read, the score you "
        "claim and each line that was skipped or found wrong.</li>"
        "<li>You may send a corrected log until the deadline with the \"Send a corrected log\" form of your "
        "receipt: it replaces your earlier log, which is kept as its history. An upload for a call that has a log "
        "already, sent without that log's receipt, waits for the committee's decision.</li>"
        "<li>After the deadline the committee checks all logs against each other; "
        "your receipt link then shows your report.</li></ul>\n";
    if (!contest.open) {
        body += "<p class=\"error\">The deadline has passed: logs are no longer taken.</p>\n";
        return PageShell(contest.name, body);
    }
    body += "<h2>Upload your log</h2>\n<form class=\"box\" method=\"post\" action=\"/upload\" "
            "enctype=\"multipart/form-data\">\n"
            "<label>Log file (at most " +
            FormatBytes(contest.maxUploadBytes) +
            "): <input type=\"file\" name=\"log\"></label>\n"
            "<label>or paste the log here:<br><textarea name=\"text\"></textarea></label>\n"
            "<label>Category: " + CategorySelectHtml(contest, "") + "</label>\n"
            "<label>Your e-mail address (the receipt is e-mailed there; never shown to others): "
            "<input type=\"email\" name=\"email\" size=\"40\"></label>\n"
            "<button type=\"submit\">Upload and check</button>\n</form>\n"
            "<p><a href=\"/lost-link\">Lost the link to your receipt?</a></p>\n";
    return PageShell(contest.name, body);
}

std::string CategorySelectHtml(const ContestView& contest, const std::string& chosen) {
    std::string html = "<select name=\"category\"><option value=\"\">as the log's header says</option>";
    for (const auto& [id, name] : contest.categories)
        html += "<option value=\"" + Escaped(id) + "\"" + (id == chosen ? " selected" : "") + ">" + Escaped(name) +
                "</option>";
    return html + "</select>";
}

std::string CheckDetailsHtml(const UploadCheck& check) {
    std::string html;
    for (const std::string& warning : check.warnings) html += "<p class=\"warn\">" + Escaped(warning) + "</p>\n";
    html += "<table class=\"log\">\n" + Row({"Own call", Escaped(check.ownCall)}) +
            Row({"Category lines", check.category.empty() ? "<em>not given</em>" : Escaped(check.category)}) +
            Row({"Format", Escaped(check.formatName)}) + Row({"QSOs read", Number(check.qsosRead)}) +
            Row({"QSOs scored", Number(check.qsosScored)}) + Row({"Claimed score", Number(check.claimedScore)}) +
            "</table>\n";
    html += "<h2>Summary</h2>\n<pre class=\"summary\">" + Escaped(check.summary) + "</pre>\n";
    html += "<h2>Lines skipped and findings</h2>\n";
    if (check.findingsTotal == 0) return html + "<p>None: every line was read and no QSO was found wrong.</p>\n";
    html += "<table class=\"findings\">\n" + Row({"Line", "What was found"}, "th");
    for (const Finding& finding : check.findings)
        html += Row({finding.line == 0 ? "" : Number(static_cast<std::int64_t>(finding.line)), Escaped(finding.message)});
    html += "</table>\n";
    if (check.findingsTotal > check.findings.size())
        html += "<p>and " + Number(static_cast<std::int64_t>(check.findingsTotal - check.findings.size())) +
                " more.</p>\n";
    return html;
}

// Why the three QSO figures differ.
constexpr const char* kQsoCountsExplained =
    "QSOs read: the QSO lines found in the file. QSOs scored: those taken into the log by the contest's rules "
    "(lines that could not be read and QSOs outside the contest period are left out). The summary counts what "
    "earns points: a repeated QSO (a dupe) and a QSO with a wrong band, mode or exchange are scored but count "
    "nothing there, so its totals can be lower.";

std::string ReceiptPage(const ContestView& contest, const Receipt& receipt, const UploadCheck& check, bool fresh) {
    const Submission& s = receipt.submission;
    std::string body;
    if (fresh) body += "<p class=\"ok\">Your log was received and stored. Keep the link to this receipt.</p>\n";
    if (receipt.replaced)
        body += "<p class=\"warn\">This log replaces your earlier upload (submission " + Number(*receipt.replaced) +
                ") for scoring; the earlier one is kept in the history.</p>\n";
    body += ReceiptOwnershipHtml(contest, receipt);
    for (const std::string& problem : receipt.categoryProblems)
        body += "<p class=\"warn\">" + Escaped(problem) + "</p>\n";
    const std::string& link = receipt.fullLink.empty() ? receipt.link : receipt.fullLink;
    std::string deadline = FormatUnixUtc(contest.deadline);
    if (contest.now < contest.deadline)
        deadline += " (" + TimeLeft(contest.deadline - contest.now) + " left: until then you may send a corrected log)";
    else
        deadline += contest.open ? " (passed; uploads reopened by the committee)" : " (passed)";
    body += "<table class=\"receipt\">\n" + Row({"Submission number", Number(s.id)}) +
            Row({"Received", FormatUnixUtc(s.receivedAt)}) + Row({"Log deadline", deadline}) +
            Row({"Call", Escaped(s.call)}) +
            Row({"Category", receipt.categoryName.empty() ? "<em>none</em>" : Escaped(receipt.categoryName)}) +
            Row({"File", s.originalName.empty() ? "<em>pasted text</em>" : Escaped(s.originalName)}) +
            Row({"SHA-256 of the file", "<code>" + Escaped(s.sha256) + "</code>"}) +
            Row({"Size", Number(s.size) + " bytes"}) +
            Row({"E-mail", s.email.empty() ? "<em>none given: this receipt is not e-mailed</em>"
                                          : Escaped(s.email) + " (this receipt is e-mailed there, the log attached)"}) +
            Row({"QSOs read", Number(s.qsosRead)}) + Row({"QSOs scored", Number(s.qsosScored)}) +
            Row({"Claimed score", Number(s.claimedScore)}) +
            Row({"This receipt", "<a class=\"link\" href=\"" + Escaped(link) + "\">" + Escaped(link) + "</a>"}) +
            "</table>\n";
    body += "<p class=\"note\">" + std::string(kQsoCountsExplained) + "</p>\n";
    if (receipt.ubnLink)
        body += "<p class=\"ok\">The results are published: <a href=\"" + Escaped(*receipt.ubnLink) +
                "\">your log's report (UBN)</a>.</p>\n";
    body += "<h2>What the check found</h2>\n" + CheckDetailsHtml(check);
    body += CorrectedLogFormHtml(contest, receipt);
    return PageShell("Receipt for " + s.call, body);
}

std::string RefusalPage(const std::string& reason, const std::string& detail) {
    return PageShell("Log not accepted", "<p class=\"error\">" + Escaped(reason) + "</p>\n<p>" + Escaped(detail) +
                                             "</p>\n<p><a href=\"/\">Back to the upload form</a></p>\n");
}

std::string LostLinkPage(const std::string& answer) {
    std::string body;
    if (!answer.empty()) body += "<p class=\"ok\">" + Escaped(answer) + "</p>\n";
    body += "<p>Give your call: the links of its receipts are e-mailed to the addresses given with its uploads.</p>\n"
            "<form class=\"box\" method=\"post\" action=\"/lost-link\"><label>Call: <input name=\"call\" "
            "size=\"14\" maxlength=\"20\"></label> <button type=\"submit\">Send my receipt links</button></form>\n";
    return PageShell("Lost your receipt link?", body);
}

std::string MessagePage(const std::string& title, const std::string& text) {
    return PageShell(title, "<p>" + Escaped(text) + "</p>\n");
}

std::string ReceivedPage(const ContestView& contest, const std::vector<Submission>& active, bool published,
                         const std::map<std::string, std::string>& categoryNames, bool showCounts) {
    std::string body = ContestFacts(contest) + "<p>" + Number(static_cast<std::int64_t>(active.size())) +
                       (active.size() == 1 ? " log" : " logs") + " received.</p>\n";
    body += "<table class=\"received\">\n" +
            (showCounts ? Row({"Call", "Category", "Last upload (UTC)", "QSOs", "Claimed score"}, "th")
                        : Row({"Call", "Category", "Last upload (UTC)"}, "th"));
    for (const Submission& s : active) {
        const auto name = categoryNames.find(s.categoryEntry);
        const std::string category = name != categoryNames.end() ? Escaped(name->second) : "<em>none</em>";
        body += showCounts ? Row({Escaped(s.call), category, FormatUnixUtc(s.receivedAt), Number(s.qsosRead),
                                  Number(s.claimedScore)})
                           : Row({Escaped(s.call), category, FormatUnixUtc(s.receivedAt)});
    }
    body += "</table>\n";
    if (published) body += "<p><a href=\"/results\">The results are published.</a></p>\n";
    return PageShell("Logs received", body);
}

std::string NoResultsPage() {
    return PageShell("Results", "<p>The results are not published yet.</p>\n");
}
