#include <gtest/gtest.h>

#include "crosscheck/escaping.h"

namespace {

struct EscapeCase {
    std::string_view text;
    const char* html;
    const char* csv;
};

TEST(Escaping, TextsFromALogAreSafeInHtmlAndCsv) {
    const EscapeCase cases[] = {
        {"UT5ZZ", "UT5ZZ", "UT5ZZ"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;", "<script>alert(1)</script>"},
        {"Tom's \"Club\" & Co", "Tom&#39;s &quot;Club&quot; &amp; Co", "\"Tom's \"\"Club\"\" & Co\""},
        {"SINGLE-OP, LOW", "SINGLE-OP, LOW", "\"SINGLE-OP, LOW\""},
        {"two\r\nlines", "two\r\nlines", "\"two\r\nlines\""},
        {"bell\a\x7f"
         "end",
         "bell\x7f"
         "end",
         "bell\a\x7f"
         "end"},
        {"=HYPERLINK(\"x\")", "=HYPERLINK(&quot;x&quot;)", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "+1", "'+1"},
        {"-5", "-5", "'-5"},
        {"@SUM(A1)", "@SUM(A1)", "'@SUM(A1)"},
        {"\t=1+1", "\t=1+1", "'\t=1+1"},
        {"\r=1+1", "\r=1+1", "\"'\r=1+1\""},
    };
    for (const EscapeCase& c : cases) {
        EXPECT_EQ(HtmlEscaped(c.text), c.html) << c.text;
        EXPECT_EQ(CsvText(c.text), c.csv) << c.text;
    }
    EXPECT_EQ(CsvField("-5"), "-5");  // figures stay numbers
}

}  // namespace
