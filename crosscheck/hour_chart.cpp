#include "crosscheck/hour_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "engine/ole_date.h"
#include "crosscheck/escaping.h"

namespace {

constexpr std::array<const char*, 3> kBands = {"160m", "80m", "40m"};
constexpr std::array<const char*, 4> kColours = {"#1f5fa8", "#d9822b", "#3a9a4a",
                                                 "#999999"};  // the last: other bands
constexpr int kBarWidth = 22, kGap = 4, kHeight = 160, kLeft = 36, kTop = 12, kBottom = 40;
constexpr std::int64_t kSecondsPerHour = 3600;

std::size_t BandSlot(std::string_view band) {
    for (std::size_t i = 0; i < kBands.size(); ++i)
        if (band == kBands[i]) return i;
    return kBands.size();
}

std::int64_t HourOf(std::int64_t seconds) {
    return seconds >= 0 ? seconds / kSecondsPerHour : (seconds - kSecondsPerHour + 1) / kSecondsPerHour;
}

OleDateTime StartOfHour(std::int64_t hour) {
    OleDateTime time;
    time.m_dt = static_cast<double>(hour) / 24.0;
    return time;
}

// The hours charted, [first, end): the period's, or the kMaxChartHours of it holding the most QSOs
// (the earliest such stretch).
std::pair<std::int64_t, std::int64_t> ChartedHours(const CrossLog& log, std::int64_t start, std::int64_t end) {
    const std::int64_t first = HourOf(start);
    const std::int64_t last = end > start ? HourOf(end - 1) + 1 : first + 1;
    if (last - first <= kMaxChartHours) return {first, last};
    std::vector<std::int64_t> hours;
    for (const CrossQso& qso : log.qsos)
        if (qso.seconds >= start && qso.seconds < end) hours.push_back(HourOf(qso.seconds));
    std::sort(hours.begin(), hours.end());
    std::int64_t best = first;
    std::size_t most = 0;
    for (std::size_t begin = 0, stop = 0; begin < hours.size(); ++begin) {
        while (stop < hours.size() && hours[stop] < hours[begin] + kMaxChartHours) ++stop;
        if (stop - begin > most) {
            most = stop - begin;
            best = hours[begin];
        }
    }
    best = std::min(best, last - kMaxChartHours);
    return {best, best + kMaxChartHours};
}

}  // namespace

std::string HourChartSvg(const CrossLog& log, const std::pair<OleDateTime, OleDateTime>& period) {
    if (log.qsos.empty()) return "<p>No QSOs.</p>";
    const std::int64_t start = WholeSeconds(period.first), end = WholeSeconds(period.second);
    const auto [first, last] = ChartedHours(log, start, end);
    std::vector<std::array<int, 4>> hours(static_cast<std::size_t>(last - first));
    std::size_t charted = 0;
    for (const CrossQso& qso : log.qsos) {
        const std::int64_t at = HourOf(qso.seconds) - first;
        if (qso.seconds < start || qso.seconds >= end || at < 0 || at >= last - first) continue;
        ++hours[static_cast<std::size_t>(at)][BandSlot(log.text(qso.band))];
        ++charted;
    }
    int most = 1;
    for (const auto& hour : hours) most = std::max(most, hour[0] + hour[1] + hour[2] + hour[3]);

    const int width = kLeft + static_cast<int>(hours.size()) * (kBarWidth + kGap) + 120;
    const int height = kTop + kHeight + kBottom;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\" role=\"img\" aria-label=\"QSOs per hour and band\">\n";
    svg += "<text x=\"2\" y=\"" + std::to_string(kTop + 10) + "\" font-size=\"11\">" + std::to_string(most) +
           "</text>\n";
    svg += "<line x1=\"" + std::to_string(kLeft - 2) + "\" y1=\"" + std::to_string(kTop + kHeight) +
           "\" x2=\"" + std::to_string(width - 120) + "\" y2=\"" + std::to_string(kTop + kHeight) +
           "\" stroke=\"#444\"/>\n";
    for (std::size_t h = 0; h < hours.size(); ++h) {
        const int x = kLeft + static_cast<int>(h) * (kBarWidth + kGap);
        int y = kTop + kHeight;
        const OleDateTime hourStart = StartOfHour(first + static_cast<std::int64_t>(h));
        for (std::size_t band = 0; band < 4; ++band) {
            const int count = hours[h][band];
            if (count == 0) continue;
            const int barHeight = std::max(1, count * kHeight / most);
            y -= barHeight;
            svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                   std::to_string(kBarWidth) + "\" height=\"" + std::to_string(barHeight) + "\" fill=\"" +
                   kColours[band] + "\"><title>" + (band < kBands.size() ? kBands[band] : "other bands") +
                   " " + FormatOleDate(hourStart, "%H:00") + ": " + std::to_string(count) +
                   (count == 1 ? " QSO" : " QSOs") + "</title></rect>\n";
        }
        svg += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(kTop + kHeight + 14) +
               "\" font-size=\"10\">" + FormatOleDate(hourStart, "%H") + "</text>\n";
    }
    const OleDateTime firstHour = StartOfHour(first);
    const int legendX = width - 110;
    for (std::size_t band = 0; band < 4; ++band) {
        const int y = kTop + 14 * static_cast<int>(band);
        svg += "<rect x=\"" + std::to_string(legendX) + "\" y=\"" + std::to_string(y) +
               "\" width=\"10\" height=\"10\" fill=\"" + kColours[band] + "\"/><text x=\"" +
               std::to_string(legendX + 14) + "\" y=\"" + std::to_string(y + 9) + "\" font-size=\"11\">" +
               (band < kBands.size() ? kBands[band] : "other") + "</text>\n";
    }
    svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(height - 6) +
           "\" font-size=\"11\">UTC hour, from " + HtmlEscaped(FormatOleDate(firstHour, "%Y-%m-%d")) +
           "</text>\n";
    const std::size_t outside = log.qsos.size() - charted;
    return svg + "</svg>\n<p>" + std::to_string(charted) + (charted == 1 ? " QSO" : " QSOs") + " charted, " +
           FormatOleDate(firstHour, "%Y-%m-%d %H:%M") + " to " + FormatOleDate(StartOfHour(last), "%Y-%m-%d %H:%M") +
           " UTC; " + std::to_string(outside) + (outside == 1 ? " QSO" : " QSOs") +
           " outside these hours.</p>\n";
}
