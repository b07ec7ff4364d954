#include "engine/file_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder for real files, removed afterwards.
class StdFileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("file_store_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "bad.txt").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    void Write(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    std::string Read() {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A folder where the side file would go, with a file in it so that nothing may remove it.
    void BlockSideFile() {
        fs::create_directories(path + ".tmp");
        std::ofstream(path + ".tmp/keep") << "x";
    }
    bool SideFolderUntouched() { return fs::is_directory(path + ".tmp") && fs::exists(path + ".tmp/keep"); }

    fs::path folder;
    std::string path;
    StdFileStore store;
};

// Contents that cross the store's 64 KiB pieces, with lines that grow on the way (bare LF, no
// last line end, a head longer than the old first line), so that an in-place rewrite has to hold
// back what would overtake its reading.
std::vector<std::pair<const char*, std::string>> Contents() {
    std::string crlf = "H\r\n", bareLf = "h\n", spanning = "head\r\n" + std::string(65529, 'a') + "\r";
    for (int i = 0; i < 20000; ++i) crlf += (i % 3 ? "keep " : "drop ") + std::to_string(i) + "\r\n";
    for (int i = 0; i < 30000; ++i) bareLf += (i % 2 ? "keep" : "drop") + std::to_string(i) + "\n";
    spanning += "\nkeep tail";
    return {{"Empty", ""}, {"HeaderOnly", "H\r\n"}, {"CrLf", crlf}, {"BareLf", bareLf}, {"Spanning", spanning}};
}

const FileStore::LineFilter kKeep = [](std::string_view line) { return !line.starts_with("drop"); };
constexpr std::string_view kHead = "ZELK TEST UBN file UBN file \r\n";

// What the whole-file default gives, as the reference for the streamed rewrites.
std::string Expected(const std::string& content) {
    FakeFileStore memory;
    memory.files["f"] = content;
    memory.filterLines("f", kHead, kKeep);
    return memory.files["f"];
}

TEST_F(StdFileStoreTest, StreamedRewriteMatchesTheWholeFileOneBesideAndInPlace) {
    for (bool blocked : {false, true}) {
        if (blocked) BlockSideFile();
        for (const auto& [name, content] : Contents()) {
            Write(content);
            EXPECT_TRUE(store.filterLines(path, kHead, kKeep)) << name;
            EXPECT_EQ(Read(), Expected(content)) << name << (blocked ? " in place" : " beside");
        }
        if (blocked) EXPECT_TRUE(SideFolderUntouched());
        else EXPECT_FALSE(fs::exists(path + ".tmp"));
    }
}

// A file that the filter would give back byte for byte is only read, not written again (a removal
// whose QSO has no finding lines then costs a read); the near misses are rewritten.
TEST_F(StdFileStoreTest, AFileTheFilterWouldGiveBackUnchangedIsNotRewritten) {
    const std::string head(kHead);
    const struct {
        const char* name;
        std::string content;
        bool rewritten;
    } cases[] = {
        {"already filtered", head + "keep 1\r\nkeep 2\r\n", false},
        {"head only", head, false},
        {"a line ending in CR CR LF", head + "keep\r\r\n", false},
        {"long, across pieces", head + std::string(70000, 'k') + "\r\nkeep\r\n", false},
        {"a line to drop", head + "keep\r\ndrop\r\n", true},
        {"the old head", "ZELK TEST UBN file \r\nkeep\r\n", true},
        {"the head with a bare LF", "ZELK TEST UBN file UBN file \nkeep\r\n", true},
        {"a line with a bare LF", head + "keep\nkeep\r\n", true},
        {"no last line end", head + "keep", true},
        {"empty", "", true},
    };
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const auto& c : cases) {
        Write(c.content);
        fs::last_write_time(path, longAgo);
        EXPECT_TRUE(store.filterLines(path, kHead, kKeep)) << c.name;
        EXPECT_EQ(Read(), Expected(c.content)) << c.name;
        EXPECT_EQ(fs::last_write_time(path) != longAgo, c.rewritten) << c.name;
    }
}

TEST_F(StdFileStoreTest, VisitedLinesMatchTheWholeFileSplit) {
    for (const auto& [name, content] : Contents()) {
        Write(content);
        std::vector<std::string> streamed, whole;
        EXPECT_TRUE(store.visitLines(path, [&](std::string_view line) { streamed.emplace_back(line); }));
        ForEachLine(content, [&](std::string_view line) { whole.emplace_back(line); });
        EXPECT_EQ(streamed, whole) << name;
    }
    EXPECT_FALSE(store.visitLines((folder / "missing.txt").string(), [](std::string_view) {}));
}

TEST_F(StdFileStoreTest, ReplaceWritesInPlaceWhenTheSideFileCannotBeMade) {
    Write("old content that is longer\r\n");
    BlockSideFile();
    EXPECT_TRUE(store.replace(path, "new\r\n"));
    EXPECT_EQ(Read(), "new\r\n");
    EXPECT_TRUE(SideFolderUntouched());
}

TEST_F(StdFileStoreTest, FailuresLeaveNoSideFile) {
    const std::string missing = (folder / "missing.txt").string();
    EXPECT_FALSE(store.filterLines(missing, kHead, kKeep));
    EXPECT_FALSE(fs::exists(missing + ".tmp"));
    EXPECT_FALSE(fs::exists(missing));
    // A folder in the file's place can be neither rewritten nor replaced.
    const std::string folderTarget = (folder / "target").string();
    fs::create_directories(folderTarget);
    EXPECT_FALSE(store.replace(folderTarget, "x"));
    EXPECT_FALSE(fs::exists(folderTarget + ".tmp"));
}

}  // namespace
