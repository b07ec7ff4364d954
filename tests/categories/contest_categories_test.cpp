#include <gtest/gtest.h>

#include "crosscheck/contest_categories.h"
#include "logs/log_reader.h"

namespace {

using Kind = CategoryProblem::Kind;
using Lines = std::vector<std::string>;

std::string EntryOf(const CategoryMatch& match) { return match.entry ? match.entry->id : "(none)"; }

std::string ProblemsOf(const CategoryMatch& match) {
    std::string text;
    for (const CategoryProblem& p : match.problems) {
        static constexpr const char* kKinds[] = {"unknownValue", "unknownTag", "conflict",   "missing",
                                                 "noEntry",      "notOffered", "tooManyLines"};
        text += std::string(text.empty() ? "" : "; ") + kKinds[static_cast<int>(p.kind)] + " " + p.value;
        if (!p.other.empty()) text += " vs " + p.other;
        if (!p.dimension.empty()) text += " (" + p.dimension + ")";
    }
    return text;
}

}  // namespace

// However a log writes one category, Cabrillo 2 or 3, in any case and spacing, it is one entry.
TEST(CategoryHeaders, EveryWayOfWritingACategoryIsOneEntry) {
    struct Case {
        Lines lines;
        std::string entry;
    };
    const std::vector<Case> cases = {
        {{"CATEGORY: SINGLE-OP ALL LOW MIXED"}, "SO-MIXED-LOW"},
        {{"CATEGORY-OPERATOR: SINGLE-OP", "CATEGORY-BAND: ALL", "CATEGORY-MODE: MIXED", "CATEGORY-POWER: LOW"},
         "SO-MIXED-LOW"},
        {{"category-operator:single-op", "Category-Mode :  mixed ", "CATEGORY-POWER:\tlow"}, "SO-MIXED-LOW"},
        {{"CATEGORY:  single op   all  lp  mix"}, "SO-MIXED-LOW"},
        {{"CATEGORY-OPERATOR: single operator", "CATEGORY-MODE: MIXED", "CATEGORY-POWER: LOW"}, "SO-MIXED-LOW"},
        {{"CATEGORY: SINGLE-OP ALL LOW CW", "CATEGORY-MODE: CW", "CATEGORY-POWER: LOW"}, "SO-CW-LOW"},
        // The plug-in's own logs: the mode alone, operator and power as the table presumes.
        {{"CATEGORY: A-CW"}, "SO-CW-HIGH"},
        {{"CATEGORY: d-mix"}, "SO-MIXED-HIGH"},
        {{"CATEGORY-MODE: RTTY", "CATEGORY-POWER: QRP"}, "SO-DIGI-QRP"},
        // Kinds the contest does not rank by are left aside.
        {{"CATEGORY-OPERATOR: MULTI-ONE", "CATEGORY-MODE: SSB", "CATEGORY-TRANSMITTER: ONE", "CATEGORY-STATION: FIXED",
          "CATEGORY-ASSISTED: NON-ASSISTED", "CATEGORY-OVERLAY: ROOKIE", "CATEGORY-TIME: 6-HOURS"},
         "MO-SSB"},
        {{"CATEGORY-OPERATOR: CHECKLOG"}, "CHECKLOG"},
        {{"CATEGORY: CHECKLOG ALL LOW"}, "CHECKLOG"},
        {{"CATEGORY-POWER:", "CATEGORY-MODE: CW"}, "SO-CW-HIGH"},
        {{}, "(none)"},
        {{"CATEGORY:", "CATEGORY-MODE:   "}, "(none)"},
    };
    for (const Case& c : cases) {
        const CategoryMatch match = MatchHeaderCategory(CategoryTable::Default(), c.lines);
        EXPECT_EQ(EntryOf(match), c.entry) << ::testing::PrintToString(c.lines);
        EXPECT_EQ(ProblemsOf(match), "") << ::testing::PrintToString(c.lines);
        EXPECT_EQ(match.source, match.entry ? CategorySource::header : CategorySource::none);
    }
}

// A header that names no category of the contest says what was not understood, and no category
// is guessed for it.
TEST(CategoryHeaders, WhatIsNotUnderstoodIsNamed) {
    struct Case {
        Lines lines;
        std::string problems;
    };
    Lines tooMany(kMaxCategoryLines + 5, "CATEGORY-MODE: CW");
    const std::vector<Case> cases = {
        {{"CATEGORY-BAND: 40M", "CATEGORY-MODE: CW"}, "unknownValue 40M (band)"},
        {{"CATEGORY: SUPER-OP ALL LOW CW"}, "unknownValue SUPER-OP"},
        {{"CATEGORY-MODE: FM"}, "unknownValue FM (mode)"},
        {{"CATEGORY-OPERATR: SINGLE-OP", "CATEGORY-MODE: CW"}, "unknownTag CATEGORY-OPERATR"},
        {{"CATEGORYMODE: CW"}, "unknownTag CATEGORYMODE"},
        {{"CATEGORY: SINGLE-OP ALL LOW CW", "CATEGORY-POWER: HIGH"}, "conflict HIGH vs LOW (power)"},
        {{"CATEGORY-MODE: LOW"}, "unknownValue LOW (mode)"},
        {{"CATEGORY: SINGLE-OP ALL LOW"}, "missing  (mode)"},
        {{"CATEGORY-OPERATOR: SO \xca\xe8"}, "unknownValue SO ?? (operator)"},
        {{"CATEGORY: " + std::string(500, 'X')}, "unknownValue " + std::string(60, 'X') + "..."},
        {tooMany, "tooManyLines 32"},
    };
    for (const Case& c : cases) {
        const CategoryMatch match = MatchHeaderCategory(CategoryTable::Default(), c.lines);
        EXPECT_EQ(EntryOf(match), "(none)") << c.lines.front();
        EXPECT_EQ(ProblemsOf(match), c.problems) << c.lines.front();
    }
    const CategoryMatch named = MatchHeaderCategory(CategoryTable::Default(), {"  CATEGORY-BAND: 40M  "});
    ASSERT_EQ(named.problems.size(), 1u);
    EXPECT_EQ(named.problems[0].line, "CATEGORY-BAND: 40M");
}

TEST(CategoryHeaders, KnownValuesOfNoCategoryAreNamedTogether) {
    const CategoryTable table = CategoryTable::FromJson(R"({
        "dimensions": [
            {"key": "mode", "cabrillo": "CATEGORY-MODE", "values": [{"code": "CW"}, {"code": "SSB"}]},
            {"key": "power", "cabrillo": "CATEGORY-POWER", "default": "HIGH", "values": [{"code": "HIGH"}, {"code": "LOW"}]}],
        "categories": [{"id": "CW", "mode": "CW", "names": {"en": "CW"}}, {"id": "SSB-HIGH", "mode": "SSB", "power": "HIGH", "names": {"en": "SSB"}}]})");
    EXPECT_EQ(ProblemsOf(MatchHeaderCategory(table, {"CATEGORY-MODE: SSB", "CATEGORY-POWER: LOW"})), "noEntry SSB LOW");
    EXPECT_EQ(EntryOf(MatchHeaderCategory(table, {"CATEGORY-MODE: SSB"})), "SSB-HIGH");
    EXPECT_EQ(EntryOf(MatchHeaderCategory(table, {"CATEGORY-MODE: CW", "CATEGORY-POWER: LOW"})), "CW");
}

// ADIF and ADX cannot hold a category: the form's choice is the category; the form's value must
// be one of the table's.
TEST(CategoryForm, TheFormsChoiceIsTakenWhenItIsAnEntry) {
    const std::string adif =
        "Exported by a logger<ADIF_VER:5>3.1.0<EOH>\n"
        "<CALL:5>UT1AA<QSO_DATE:8>20170505<TIME_ON:4>2100<BAND:3>80m<MODE:2>CW<RST_SENT:3>599<SRX_STRING:5>KI-01<EOR>\n";
    const LogContents log = ReadContestLog(adif);
    ASSERT_EQ(log.format, LogFormat::adif);
    const CategoryTable& table = CategoryTable::Default();

    struct Case {
        Lines lines;
        std::string form;
        std::string entry;
        CategorySource source;
        std::string problems;
    };
    const std::vector<Case> cases = {
        {log.categoryLines, "MO-MIXED", "MO-MIXED", CategorySource::form, ""},
        {log.categoryLines, "  so-cw-low ", "SO-CW-LOW", CategorySource::form, ""},
        {log.categoryLines, "", "(none)", CategorySource::none, ""},
        {log.categoryLines, "SO-CW-MEDIUM", "(none)", CategorySource::none, "notOffered SO-CW-MEDIUM"},
        {log.categoryLines, "SO-CW-LOW\r\nX", "(none)", CategorySource::none, "notOffered SO-CW-LOW??X"},
        {{"CATEGORY: A-CW"}, "", "SO-CW-HIGH", CategorySource::header, ""},
        {{"CATEGORY: A-CW"}, "SO-SSB-LOW", "SO-SSB-LOW", CategorySource::form, ""},
        {{"CATEGORY-BAND: 40M"}, "SO-CW-QRP", "SO-CW-QRP", CategorySource::form, ""},
    };
    for (const Case& c : cases) {
        const CategoryMatch match = ResolveCategory(table, c.lines, c.form);
        EXPECT_EQ(EntryOf(match), c.entry) << c.form;
        EXPECT_EQ(match.source, c.source) << c.form;
        EXPECT_EQ(ProblemsOf(match), c.problems) << c.form;
    }
}

// The header lines as the Cabrillo reader hands them over, 2.0 and 3.0, give one entry.
TEST(CategoryHeaders, CabrilloReaderLinesMapToOneEntry) {
    const std::string qso = "QSO:  3500 CW 2017-05-05 2100 UR5ZZ         599 KI01   UT1AA         599 KI02\r\n";
    const LogContents v2 = ReadContestLog("START-OF-LOG: 2.0\r\nCALLSIGN: UR5ZZ\r\nCATEGORY: SINGLE-OP ALL LOW CW\r\n" + qso +
                                          "END-OF-LOG:\r\n");
    const LogContents v3 = ReadContestLog(
        "START-OF-LOG: 3.0\r\nCALLSIGN: UR5ZZ\r\nCATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\ncategory-mode: cw\r\n"
        "CATEGORY-POWER: LOW\r\nCATEGORY-STATION: FIXED\r\n" + qso + "END-OF-LOG:\r\n");
    EXPECT_EQ(EntryOf(MatchHeaderCategory(CategoryTable::Default(), v2.categoryLines)), "SO-CW-LOW");
    EXPECT_EQ(EntryOf(MatchHeaderCategory(CategoryTable::Default(), v3.categoryLines)), "SO-CW-LOW");
}

TEST(CategoryTable, NamesInBothLanguages) {
    const CategoryTable& table = CategoryTable::Default();
    const CategoryEntry* entry = table.find("SO-MIXED-LOW");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(table.name(*entry, "en"), "Single operator, mixed mode, low power");
    EXPECT_EQ(table.name(*entry, "uk"), "Один оператор, змішаний вид роботи, мала потужність");
    EXPECT_EQ(table.name(*entry, "de"), "Single operator, mixed mode, low power");
    EXPECT_EQ(table.name(*table.find("MO-CW"), "uk"), "Кілька операторів, CW");
    EXPECT_EQ(table.name(*table.find("CHECKLOG"), "en"), "Check log");
    for (const CategoryEntry& e : table.entries()) {
        EXPECT_TRUE(e.names.contains("en")) << e.id;
        EXPECT_TRUE(e.names.contains("uk")) << e.id;
    }
    const CategoryTable named = CategoryTable::FromJson(R"({
        "dimensions": [{"key": "mode", "cabrillo": "CATEGORY-MODE", "values": [{"code": "CW", "names": {"en": "CW"}}]}],
        "categories": [{"id": "a-cw", "mode": "cw", "names": {"en": "A: CW only", "uk": "А: лише CW"}}]})");
    EXPECT_EQ(named.entries().at(0).id, "A-CW");
    EXPECT_EQ(named.name(named.entries().at(0), "uk"), "А: лише CW");
}

// A table the committee writes is checked as a whole before the site uses it.
TEST(CategoryTable, RefusesATableThatIsNotSound) {
    const std::string dimension = R"({"key": "mode", "cabrillo": "CATEGORY-MODE", "values": [{"code": "CW", "names": {"en": "CW"}}, {"code": "SSB", "spellings": ["PH"], "names": {"en": "SSB"}}]})";
    const auto table = [&](const std::string& dimensions, const std::string& categories) {
        return R"({"dimensions": [)" + dimensions + R"(], "categories": [)" + categories + "]}";
    };
    struct Case {
        std::string json;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"{", "not JSON"},
        {"[]", "not an object"},
        {R"({"dimensions": [], "categories": []})", "no list of dimensions"},
        {table(dimension, "") + "", "no list of categories"},
        {R"({"dimension": [], "categories": []})", "unknown member \"dimension\""},
        {table(dimension, R"({"id": "X", "mode": "FM"})"), "\"FM\" is no value of mode"},
        {table(dimension, R"({"id": "X", "power": "LOW"})"), "unknown member \"power\""},
        {table(dimension, R"({"id": "X", "mode": "CW"}, {"id": "x", "mode": "SSB"})"), "the id X is used twice"},
        {table(dimension, R"({"id": "X", "mode": "CW"}, {"id": "Y", "mode": "cw"})"), "same values"},
        {table(dimension, R"({"id": "X Y", "mode": "CW"})"), "the id must be"},
        {table(dimension, R"({"id": "X"})"), "X has no English name"},
        {table(dimension + "," + R"({"key": "power", "cabrillo": "CATEGORY-POWER", "values": [{"code": "PH"}]})",
               R"({"id": "X", "mode": "CW"})"),
         "\"PH\" spells both mode SSB and power PH"},
        {table(R"({"key": "mode", "cabrillo": "CATEGORY-MODE", "default": "FM", "values": [{"code": "CW"}]})",
               R"({"id": "X", "mode": "CW"})"),
         "the default \"FM\" is none of its values"},
        {table(R"({"key": "mode", "cabrillo": "MODE", "values": [{"code": "CW"}]})", R"({"id": "X", "mode": "CW"})"),
         "does not start CATEGORY-"},
        {table(dimension + "," + dimension, R"({"id": "X", "mode": "CW"})"), "the key \"mode\" is used twice"},
        {std::string(1 << 20, ' ') + "{}", "larger than 1 MB"},
        {std::string(100000, '[') + std::string(100000, ']'), "not an object"},
    };
    for (const Case& c : cases) {
        try {
            CategoryTable::FromJson(c.json);
            ADD_FAILURE() << "taken: " << c.json.substr(0, 200);
        } catch (const CategoryTableError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}
