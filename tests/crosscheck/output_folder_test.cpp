#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "crosscheck/output_folder.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> FilesOf(const fs::path& folder) {
    std::set<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::string text;
        std::getline(file, text);
        names.insert(entry.path().filename().string() + "=" + text);
    }
    return names;
}

bool WriteSet(const FolderFileWriter& write, const std::string& run) {
    return write("A.html", run) && write("B.html", run) && write("results.html", run);
}

// At every step of the swap a whole set of results is on the disk: the previous one until the new
// one is in its place.
TEST(OutputFolder, TheFolderIsSwappedByRenamesSoAWholeSetIsAlwaysThere) {
    const fs::path root = fs::path(testing::TempDir()) / ("output_folder_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path out = root / "out";
    const std::string pid = std::to_string(getpid());
    std::string error;
    ASSERT_TRUE(ReplaceOutputFolder(out, [](const FolderFileWriter& w) { return WriteSet(w, "first"); }, error))
        << error;
    const std::set<std::string> first = FilesOf(out);
    ASSERT_EQ(first.size(), 4u);  // with the mark

    std::vector<std::string> steps;
    ASSERT_TRUE(ReplaceOutputFolder(
        out, [](const FolderFileWriter& w) { return WriteSet(w, "second"); }, error,
        [&](std::string_view step) {
            steps.emplace_back(step);
            const std::set<std::string> inPlace = FilesOf(out);
            const std::set<std::string> aside = FilesOf(root / ("out.old-" + pid));
            const std::set<std::string> fresh = FilesOf(root / ("out.new-" + pid));
            if (step == "aside") {
                EXPECT_TRUE(inPlace.empty());
                EXPECT_EQ(aside, first);
                EXPECT_EQ(fresh.size(), 4u);
            } else if (step == "in") {
                EXPECT_EQ(aside, first);
                EXPECT_TRUE(inPlace.contains("A.html=second"));
                EXPECT_EQ(inPlace.size(), 4u);
            } else {
                EXPECT_TRUE(aside.empty());
            }
        }))
        << error;
    EXPECT_EQ(steps, (std::vector<std::string>{"aside", "in", "deleted"}));
    EXPECT_TRUE(FilesOf(out).contains("B.html=second"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);

    // A run that fails leaves the previous results and nothing beside them.
    EXPECT_FALSE(ReplaceOutputFolder(
        out, [](const FolderFileWriter& w) { return w("A.html", "third") && w("../escape/B.html", "x"); },
        error));
    EXPECT_TRUE(FilesOf(out).contains("A.html=second"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
    fs::remove_all(root);
}

}  // namespace
