#include <gtest/gtest.h>

#include <string>

#include "crosscheck/cross_log.h"
#include "crosscheck/escaping.h"
#include "crosscheck/row_text.h"
#include "engine/ole_date.h"

namespace {

TEST(RowText, CsvTextAppendedInPlaceIsCsvText) {
    for (const char* text : {"", "UT5ZZ", "a,b", "say \"hi\"", "=1+2", "+7", "-", "@x", "=a,b", "line\nbreak",
                             "cr\r", "'quoted'", "KI-01"}) {
        std::string appended = "x,";
        AppendCsvText(appended, text);
        EXPECT_EQ(appended, "x," + CsvText(text)) << text;
    }
}

TEST(RowText, TheTimeOfARowIsTheHostsDateFormatted) {
    std::string numbers;
    AppendNumber(numbers, 0);
    AppendNumber(numbers, 18446744073709551615u);
    EXPECT_EQ(numbers, "018446744073709551615");
    // Across days, months, leap days and years, before and after the epoch's 1900.
    for (const OleDateTime time : {MakeOleDate(2017, 5, 5, 21, 10, 0), MakeOleDate(2017, 5, 5, 0, 0, 0),
                                   MakeOleDate(2016, 2, 29, 23, 59, 59), MakeOleDate(2000, 12, 31, 12, 1, 30),
                                   MakeOleDate(1900, 1, 1, 0, 0, 1), MakeOleDate(1899, 12, 30, 6, 0, 0),
                                   MakeOleDate(2099, 3, 1, 9, 9, 9), MakeOleDate(9999, 12, 31, 23, 59, 0)}) {
        std::string text;
        AppendLogTime(text, WholeSeconds(time));
        EXPECT_EQ(text, FormatOleDate(time, "%Y-%m-%d %H%M")) << time.m_dt;
    }
}

}  // namespace
