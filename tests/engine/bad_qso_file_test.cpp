#include "engine/bad_qso_file.h"

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace {

const std::string kDupe = "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  001  UR1AB  579  KV05   DUPE !!!\r\n";
const std::string kOtherCall = "QSO:  3520  CW  2017-05-06 1405  UR5AA  599  002  UR1ABC  579  KV05   DUPE !!!\r\n";

TEST(BadQsoFileTest, NamedAfterTheContestEndAndCreatedWithItsHeader) {
    FakeFileStore files;
    const std::string name = BadQsoFileName(MakeOleDate(2017, 5, 6, 23, 59));
    EXPECT_EQ(name, "BadQSO_StatsZELK_06_05_2017.txt");
    files.files[name] = "old\r\n";
    CreateBadQsoFile(files, name);
    EXPECT_EQ(files.files[name], "ZELK TEST UBN file \r\n");
}

TEST(BadQsoFileTest, AppendsOnlyWithANameAndOnlyWhenThereIsALine) {
    FakeFileStore files;
    EXPECT_TRUE(AppendBadQsoLines(files, "", kDupe));
    EXPECT_TRUE(AppendBadQsoLines(files, "bad.txt", ""));
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(files.writes, 0);

    EXPECT_TRUE(AppendBadQsoLines(files, "bad.txt", kDupe));
    EXPECT_TRUE(AppendBadQsoLines(files, "bad.txt", kOtherCall));
    EXPECT_EQ(files.files["bad.txt"], kDupe + kOtherCall);

    files.writesBeforeFailure = files.writes;
    EXPECT_FALSE(AppendBadQsoLines(files, "bad.txt", kDupe));
    EXPECT_EQ(files.files["bad.txt"], kDupe + kOtherCall);
}

TEST(BadQsoFileTest, PruneKeepsOtherLinesInOrderUnderTheRewriteHeader) {
    FakeFileStore files;
    files.files["bad.txt"] = kFreshBadQsoFile + kOtherCall + kDupe + "free text\r\n" + kDupe + kOtherCall;
    EXPECT_TRUE(PruneBadQsoFile(files, "bad.txt", BadQsoLineKeyOf(TestQso{}.input())));
    EXPECT_EQ(files.files["bad.txt"], kRewrittenHeader + kOtherCall + "free text\r\n" + kOtherCall);
}

TEST(BadQsoFileTest, PruneAcceptsBareLineFeedsAndALastLineWithoutLineEnd) {
    FakeFileStore files;
    files.files["bad.txt"] = "header\n" + kOtherCall.substr(0, kOtherCall.size() - 2) + "\n" +
                             kDupe.substr(0, kDupe.size() - 2);
    PruneBadQsoFile(files, "bad.txt", BadQsoLineKeyOf(TestQso{}.input()));
    EXPECT_EQ(files.files["bad.txt"], kRewrittenHeader + kOtherCall);
}

TEST(BadQsoFileTest, MissingFileIsRewrittenWithTheHeaderOnly) {
    FakeFileStore files;
    EXPECT_TRUE(PruneBadQsoFile(files, "bad.txt", BadQsoLineKeyOf(TestQso{}.input())));
    EXPECT_EQ(files.files["bad.txt"], kRewrittenHeader);
}

TEST(BadQsoFileTest, FileThatCannotBeReadKeepsItsFindings) {
    FakeFileStore files;
    const std::string before = kFreshBadQsoFile + kDupe + kOtherCall;
    files.files["bad.txt"] = before;
    files.unreadable.insert("bad.txt");
    EXPECT_FALSE(PruneBadQsoFile(files, "bad.txt", BadQsoLineKeyOf(TestQso{}.input())));
    EXPECT_EQ(files.files["bad.txt"], before);
}

TEST(BadQsoFileTest, FailedRewriteLeavesTheOldFileWhole) {
    FakeFileStore files;
    const std::string before = kFreshBadQsoFile + kDupe + kOtherCall;
    files.files["bad.txt"] = before;
    files.writesBeforeFailure = 0;
    EXPECT_FALSE(PruneBadQsoFile(files, "bad.txt", BadQsoLineKeyOf(TestQso{}.input())));
    EXPECT_EQ(files.files["bad.txt"], before);
}

TEST(BadQsoFileTest, NoNameNoRewrite) {
    FakeFileStore files;
    EXPECT_TRUE(PruneBadQsoFile(files, "", BadQsoLineKeyOf(TestQso{}.input())));
    EXPECT_TRUE(files.files.empty());
}

TEST(BadQsoFileTest, CountsLinesWithTheHeaderAndTheDuplicateLines) {
    FakeFileStore files;
    EXPECT_EQ(CountBadQsoLines(files, "bad.txt").lines, 0);
    EXPECT_EQ(CountBadQsoLines(files, "").lines, 0);
    struct Case { std::string text; std::int64_t lines, duplicateLines; };
    const Case cases[] = {
        {"", 0, 0}, {kFreshBadQsoFile, 1, 0}, {kFreshBadQsoFile + kDupe + kDupe, 3, 2},
        {kFreshBadQsoFile + "last", 2, 0}, {"a\nb\n\nc", 4, 0},
    };
    for (const auto& c : cases) {
        files.files["bad.txt"] = c.text;
        const BadQsoLineCount count = CountBadQsoLines(files, "bad.txt");
        EXPECT_EQ(count.lines, c.lines) << c.text;
        EXPECT_EQ(count.duplicateLines, c.duplicateLines) << c.text;
    }
}

}  // namespace
