#include "reports/results_summary.h"

#include "engine/single_line.h"
#include "reports/html_text.h"
#include "reports/text_format.h"

namespace {

constexpr const char* kTextHeading =
    "\t\tZELK CONTEST  %s\r\n\t\t   Contestant: %s \r\nBand\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG\r\n";
constexpr const char* kTextRow = "%s\t %i\t %i\t %i\t %i\t %i\t %i\r\n";
constexpr const char* kTextFoot = "Dupe\t %i\r\nBad QSO\t %i\r\nScore:\t %i *  %i = %s\r\n";

constexpr const char* kHtmlHead =
    "<html><head><style>table{ width:100%; }table, th, td{ border: 1px solid black; "
    "border-collapse: collapse; }th, td{ padding: 1px; text-align: middle; }th,td{ "
    "background-color: #fffac6; color: black; }</style></head><body>";
constexpr const char* kHtmlTitle =
    "<center><b>%s</b></center><center>Contestant:  <b>%s</center></b><table>";
constexpr const char* kHtmlContestName = "   ZELK CONTEST %s-%s";
constexpr const char* kHtmlColumns =
    "<tr><th>%s</th><th>%s</th><th>%s</th><th>%s</th><th>%s</th><th>%s</th><th>%s</th></tr>";
constexpr const char* kHtmlRow =
    "<tr><th><center>%s</center></th><td><center>%i</center></td><td><center>%i</center></td>"
    "<td><center>%i</center></td><td><center>%i</center></td><td><center>%i</center></td>"
    "<td><center>%i</center></td></tr>";
constexpr const char* kHtmlCountRow =
    "<tr><th><center>%s</center></th><td><center>%i</center></td><td colspan=6> </td></tr>";
constexpr const char* kHtmlScoreRow =
    "<tr><th>%s</th><td colspan=7><center>%i *  %i = %s</center></td></tr>";
constexpr const char* kHtmlFoot = "</table></body></html>";

// A band name from the host cannot break its row into two lines.
std::string TextRow(const BandCounts& row) {
    return FormatText(kTextRow, SingleLine(row.band).c_str(), row.qsos, row.multiplier, row.points, row.cw,
                      row.ssb, row.dig);
}

// Every text of the page that comes from the host or the log is escaped.
std::string HtmlRow(const BandCounts& row) {
    return FormatText(kHtmlRow, HtmlEscaped(row.band).c_str(), row.qsos, row.points, row.multiplier, row.cw,
                      row.ssb, row.dig);
}

}  // namespace

std::string FormatResultsText(const ContestScore& score, const SummaryHeading& heading, bool withFoot) {
    std::string text = FormatText(kTextHeading, SingleLine(heading.contestEnd).c_str(),
                                  SingleLine(heading.myCall).c_str());
    for (const BandCounts& band : score.bands) text += TextRow(band);
    text += TextRow(score.total);
    if (withFoot) {
        text += FormatText(kTextFoot, score.dupe, score.badQso, score.total.points,
                           score.total.multiplier, std::to_string(score.score).c_str());
    }
    return text;
}

std::string FormatResultsHtml(const ContestScore& score, const SummaryHeading& heading) {
    const std::string contestName = FormatText(kHtmlContestName, HtmlEscaped(heading.contestStart).c_str(),
                                               HtmlEscaped(heading.contestEnd).c_str());
    std::string html = kHtmlHead;
    html += FormatText(kHtmlTitle, contestName.c_str(), HtmlEscaped(heading.myCall).c_str());
    html += FormatText(kHtmlColumns, "Band", "QSOs", "Points", "ZELK", "CW", "SSB", "DIG");
    for (const BandCounts& band : score.bands) html += HtmlRow(band);
    html += HtmlRow(score.total);
    html += FormatText(kHtmlCountRow, "Dupe", score.dupe);
    html += FormatText(kHtmlCountRow, "Bad QSO", score.badQso);
    html += FormatText(kHtmlScoreRow, "Score:", score.total.points, score.total.multiplier,
                       std::to_string(score.score).c_str());
    html += kHtmlFoot;
    return html;
}
