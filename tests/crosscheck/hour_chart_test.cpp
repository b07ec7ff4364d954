#include <gtest/gtest.h>

#include <string>

#include "crosscheck/hour_chart.h"

namespace {

void Add(CrossLog& log, const char* band, int hour, int minute) {
    QsoTexts qso;
    qso.call = "DL1ABC";
    qso.band = band;
    qso.mode = "CW";
    qso.time = MakeOleDate(2017, 5, 5, static_cast<unsigned>(hour % 24), static_cast<unsigned>(minute));
    if (hour >= 24) qso.time.m_dt += 1;
    log.add(qso, log.qsos.size() + 1);
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(HourChart, OneBarPerHourSplitByBandWithoutScript) {
    CrossLog log;
    Add(log, "80m", 21, 5);
    Add(log, "80m", 21, 59);
    Add(log, "80m", 21, 30);
    Add(log, "160m", 22, 0);
    Add(log, "20m", 24, 10);  // after midnight, and on a band outside the contest
    const std::string svg = HourChartSvg(log, {MakeOleDate(2017, 5, 5, 21, 0, 0), MakeOleDate(2017, 5, 6, 1, 0, 0)});
    EXPECT_TRUE(svg.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_NE(svg.find("<title>80m 21:00: 3 QSOs</title>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<title>160m 22:00: 1 QSO</title>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<title>other bands 00:00: 1 QSO</title>"), std::string::npos) << svg;
    EXPECT_EQ(Occurrences(svg, "<rect") - 4, 3u);  // three bars, four legend boxes
    EXPECT_NE(svg.find("<p>5 QSOs charted, 2017-05-05 21:00 to 2017-05-06 01:00 UTC; 0 QSOs outside these "
                       "hours.</p>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("UTC hour, from 2017-05-05"), std::string::npos);
    EXPECT_EQ(svg.find("<script"), std::string::npos);
    EXPECT_EQ(HourChartSvg(CrossLog{}, {}), "<p>No QSOs.</p>");
}

}  // namespace
