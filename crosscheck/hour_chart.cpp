#include "crosscheck/hour_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "engine/ole_date.h"
#include "crosscheck/escaping.h"

namespace {

constexpr std::array<const char*, 3> kBands = {"160m", "80m", "40m"};
constexpr std::array<const char*, 4> kColours = {"#1f5fa8", "#d9822b", "#3a9a4a",
                                                 "#999999"};  // the last: other bands
constexpr int kMaxHours = 72;  // a longer span is a clock error; the chart shows the first three days
constexpr int kBarWidth = 22, kGap = 4, kHeight = 160, kLeft = 36, kTop = 12, kBottom = 40;

std::size_t BandSlot(std::string_view band) {
    for (std::size_t i = 0; i < kBands.size(); ++i)
        if (band == kBands[i]) return i;
    return kBands.size();
}

}  // namespace

std::string HourChartSvg(const CrossLog& log) {
    if (log.qsos.empty()) return "<p>No QSOs.</p>";
    auto hourOf = [](const CrossQso& qso) {
        return static_cast<long long>(std::floor(qso.time.m_dt * 24.0 + 1e-6));
    };
    long long first = hourOf(log.qsos.front());
    for (const CrossQso& qso : log.qsos) first = std::min(first, hourOf(qso));
    std::vector<std::array<int, 4>> hours;
    for (const CrossQso& qso : log.qsos) {
        const long long at = hourOf(qso) - first;
        if (at >= kMaxHours) continue;
        if (static_cast<std::size_t>(at) >= hours.size()) hours.resize(static_cast<std::size_t>(at) + 1, {});
        ++hours[static_cast<std::size_t>(at)][BandSlot(log.text(qso.band))];
    }
    int most = 1;
    for (const auto& hour : hours) most = std::max(most, hour[0] + hour[1] + hour[2] + hour[3]);

    const int width = kLeft + static_cast<int>(hours.size()) * (kBarWidth + kGap) + 120;
    const int height = kTop + kHeight + kBottom;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) +
                      "\" role=\"img\" aria-label=\"QSOs per hour and band\">\n";
    svg += "<text x=\"2\" y=\"" + std::to_string(kTop + 10) + "\" font-size=\"11\">" + std::to_string(most) +
           "</text>\n";
    svg += "<line x1=\"" + std::to_string(kLeft - 2) + "\" y1=\"" + std::to_string(kTop + kHeight) +
           "\" x2=\"" + std::to_string(width - 120) + "\" y2=\"" + std::to_string(kTop + kHeight) +
           "\" stroke=\"#444\"/>\n";
    for (std::size_t h = 0; h < hours.size(); ++h) {
        const int x = kLeft + static_cast<int>(h) * (kBarWidth + kGap);
        int y = kTop + kHeight;
        OleDateTime hourStart;
        hourStart.m_dt = static_cast<double>(first + static_cast<long long>(h)) / 24.0;
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
    OleDateTime firstHour;
    firstHour.m_dt = static_cast<double>(first) / 24.0;
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
    return svg + "</svg>\n";
}
