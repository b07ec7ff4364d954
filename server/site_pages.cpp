#include "server/site_pages.h"

#include <nlohmann/json.hpp>

#include "reports/html_text.h"
#include "server/language_switch.h"
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

std::string Escaped(const std::string& text) { return HtmlEscaped(text); }

std::string ContestFacts(const ContestView& contest, Language language) {
    std::string html = "<dl class=\"facts\"><dt>" + Text("facts.period", language) + "</dt><dd>" +
                       Escaped(Text("facts.period_value", language, {{"start", contest.start}, {"end", contest.end}})) +
                       "</dd><dt>" + Text("facts.deadline", language) + "</dt><dd>" + FormatUnixUtc(contest.deadline);
    if (contest.now < contest.deadline)
        html += " " + Text("facts.left", language, {{"left", TimeLeft(contest.deadline - contest.now, language)}});
    else
        html += " " + Text(contest.open ? "facts.reopened" : "facts.passed", language);
    return html + "</dd></dl>\n";
}

std::string FormatBytes(std::size_t bytes, Language language) {
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return Text("bytes.mb", language, {{"count", std::to_string(bytes / (1024 * 1024))}});
    if (bytes >= 1024) return Text("bytes.kb", language, {{"count", std::to_string(bytes / 1024)}});
    return Text("bytes.bytes", language, {{"count", std::to_string(bytes)}});
}

std::string TimeLeft(std::int64_t seconds, Language language) {
    const std::int64_t days = seconds / 86400, hours = seconds % 86400 / 3600, minutes = seconds % 3600 / 60;
    if (days > 0) return Text("time.days_hours", language, {{"days", std::to_string(days)}, {"hours", std::to_string(hours)}});
    if (hours > 0)
        return Text("time.hours_minutes", language, {{"hours", std::to_string(hours)}, {"minutes", std::to_string(minutes)}});
    return Text("time.minutes", language, {{"minutes", std::to_string(std::max<std::int64_t>(minutes, 1))}});
}

const char* const kStyleSheet = R"(body{font-family:sans-serif;margin:0;color:#222;background:#fafafa}
header{background:#234;color:#fff;padding:.6em 1.5em}header a{color:#fff;text-decoration:none;margin-right:1.2em}
header .site{font-weight:bold;font-size:1.2em}main{padding:1em 1.5em;max-width:96em}
table{border-collapse:collapse;margin:.5em 0 1.5em}td,th{border:1px solid #bbb;padding:3px 8px;text-align:left;vertical-align:top}
td.n{text-align:right}a.link,code{overflow-wrap:anywhere}p.note{color:#555;max-width:45em}pre{background:#fff;border:1px solid #ccc;padding:.6em;overflow:auto}
.warn{background:#fff4d6;border:1px solid #e0b84a;padding:.5em 1em;margin:.5em 0}
.error{background:#fde2e0;border:1px solid #d9534f;padding:.5em 1em;margin:.5em 0}
.ok{background:#e3f4e3;border:1px solid #5cb85c;padding:.5em 1em;margin:.5em 0}
dl.facts dt{font-weight:bold;float:left;clear:left;width:10em}dl.facts dd{margin-left:11em}
form.box{background:#fff;border:1px solid #ccc;padding:1em;margin:1em 0}label{display:block;margin:.4em 0}
textarea{width:100%;max-width:60em;height:8em;font-family:monospace}.replaced{color:#888}
form.inline{display:inline;margin:0 .3em 0 0}
/* The participant's pages in either language and on a phone's narrow screen: long words, hashes and
   links wrap, wide tables scroll inside their own box, form fields never pass the screen's edge. */
body{overflow-wrap:break-word}header{display:flex;flex-wrap:wrap;align-items:baseline;gap:.3em 1.2em}
header nav{display:flex;flex-wrap:wrap;gap:.3em 1.2em}header nav a{margin-right:0}
header a.language{border:1px solid #9ab;border-radius:3px;padding:0 .4em}
dl.facts{display:flow-root}dl.facts dt{width:16em}dl.facts dd{margin-left:17em}
.scroll,.results{overflow-x:auto;max-width:100%}.scroll table,.results table{margin-top:0}
input,select,textarea,button{max-width:100%;box-sizing:border-box;font-size:1em}
textarea{width:100%}.results h2{font-size:1.15em}
.report pre,.report table{overflow-x:auto;max-width:100%}.report table{display:block}.report svg{max-width:100%;height:auto}
@media (max-width:40em){
header,main{padding-left:.8em;padding-right:.8em}h1{font-size:1.4em}
dl.facts dt{float:none;width:auto}dl.facts dd{margin-left:0;margin-bottom:.4em}
td,th{padding:3px 5px}input[type=email],input[type=file]{width:100%}select{width:100%}.report td{white-space:nowrap}
}
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

std::string PageShell(const std::string& title, const std::string& body, const PageFrame& frame) {
    const Language language = frame.language;
    const Language other = language == Language::english ? Language::ukrainian : Language::english;
    const auto link = [&](const char* href, const char* key) {
        return std::string("<a href=\"") + href + "\">" + Text(key, language) + "</a>";
    };
    return "<!DOCTYPE html>\n<html lang=\"" + std::string(LanguageCode(language)) +
           "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
           Escaped(Text("frame.title", language, {{"title", title}})) +
           "</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n<header><a class=\"site\" href=\"/\">" +
           Text("frame.site", language) + "</a> <nav aria-label=\"" + Text("frame.navigation", language) + "\">" +
           link("/", "frame.upload") + link("/received", "frame.received") + link("/results/", "frame.results") +
           link("/committee", "frame.committee") + "<a class=\"language\" lang=\"" + std::string(LanguageCode(other)) +
           "\" hreflang=\"" + std::string(LanguageCode(other)) + "\" href=\"" +
           Escaped(LanguageSwitchLink(other, frame.path)) + "\">" + Text("language.switch", language) +
           "</a></nav></header>\n<main>\n<h1>" + Escaped(title) + "</h1>\n" + body + "</main>\n</body>\n</html>\n";
}

std::string PageShell(const std::string& title, const std::string& body, Language language) {
    return PageShell(title, body, PageFrame{language, "/"});
}

std::string CategorySelectHtml(const ContestView& contest, const std::string& chosen, Language language) {
    std::string html = "<select name=\"category\"><option value=\"\">" + Text("category.from_header_choice", language) +
                       "</option>";
    for (const auto& [id, name] : contest.categories)
        html += "<option value=\"" + Escaped(id) + "\"" + (id == chosen ? " selected" : "") + ">" + Escaped(name) +
                "</option>";
    return html + "</select>";
}

std::string CheckDetailsHtml(const UploadCheck& check, Language language) {
    const auto say = [&](std::string_view key) { return Text(key, language); };
    std::string html;
    for (const std::string& warning : check.warnings) html += "<p class=\"warn\">" + Escaped(warning) + "</p>\n";
    html += "<div class=\"scroll\"><table class=\"log\">\n" + Row({say("check.own_call"), Escaped(check.ownCall)}) +
            Row({say("check.category_lines"),
                 check.category.empty() ? "<em>" + say("category.none") + "</em>" : Escaped(check.category)}) +
            Row({say("check.format"), Escaped(check.formatName)}) + Row({say("check.qsos_read"), Number(check.qsosRead)}) +
            Row({say("check.qsos_scored"), Number(check.qsosScored)}) +
            Row({say("check.claimed_score"), Number(check.claimedScore)}) + "</table></div>\n";
    html += "<h2>" + say("check.summary") + "</h2>\n<pre class=\"summary\">" + Escaped(check.summary) + "</pre>\n";
    html += "<h2>" + say("check.findings") + "</h2>\n";
    if (check.findingsTotal == 0) return html + "<p>" + say("check.no_findings") + "</p>\n";
    html += "<div class=\"scroll\"><table class=\"findings\">\n" + Row({say("check.line"), say("check.found")}, "th");
    for (const Finding& finding : check.findings)
        html += Row({finding.line == 0 ? "" : Number(static_cast<std::int64_t>(finding.line)), Escaped(finding.message)});
    html += "</table></div>\n";
    if (check.findingsTotal > check.findings.size())
        html += "<p>" +
                Text("check.more", language,
                     {{"count", Number(static_cast<std::int64_t>(check.findingsTotal - check.findings.size()))}}) +
                "</p>\n";
    return html;
}

std::string MessagePage(const std::string& title, const std::string& text, const PageFrame& frame) {
    return PageShell(title, "<p>" + Escaped(text) + "</p>\n", frame);
}

std::string MessagePage(const std::string& title, const std::string& text) {
    return MessagePage(title, text, PageFrame{});
}
