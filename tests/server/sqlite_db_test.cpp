#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "server/secrets.h"
#include "server/sqlite_db.h"

namespace fs = std::filesystem;

namespace {

struct ScratchDatabase : ::testing::Test {
    fs::path path = fs::temp_directory_path() / ("zelk-sqlite-" + RandomToken(6) + ".db");
    ~ScratchDatabase() override {
        std::error_code ignored;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path.string() + suffix, ignored);
    }
};

}  // namespace

TEST_F(ScratchDatabase, AStatementUsedAgainKeepsNoValueOrRowFromItsLastUse) {
    Database db(path.string());
    db.execute("CREATE TABLE t (k INTEGER, v TEXT); INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, NULL)");
    const char* select = "SELECT v FROM t WHERE k = ? OR v IS ?";
    {
        Statement first = db.prepare(select);
        first.bind(1, std::int64_t{2}).bind(2, "one");
        ASSERT_TRUE(first.step());  // one row read of two, then given back
    }
    Statement again = db.prepare(select);
    again.bind(1, std::int64_t{1});  // the second value left unbound: NULL, not "one"
    ASSERT_TRUE(again.step());
    EXPECT_EQ(again.text(0), "one");
    ASSERT_TRUE(again.step());
    EXPECT_TRUE(again.isNull(0)) << "the row of k = 3, whose v IS NULL";
    EXPECT_FALSE(again.step());

    // Two at once of the same text are two statements.
    Statement a = db.prepare("SELECT k FROM t ORDER BY k"), b = db.prepare("SELECT k FROM t ORDER BY k");
    ASSERT_TRUE(a.step());
    ASSERT_TRUE(a.step());
    ASSERT_TRUE(b.step());
    EXPECT_EQ(a.integer(0), 2);
    EXPECT_EQ(b.integer(0), 1);
}

TEST_F(ScratchDatabase, AStatementGivenBackMidReadHoldsNoLockAWriterWaitsFor) {
    Database reader(path.string());
    reader.execute("CREATE TABLE t (k INTEGER); INSERT INTO t VALUES (1), (2)");
    {
        Statement select = reader.prepare("SELECT k FROM t");
        ASSERT_TRUE(select.step());
    }
    Database writer(path.string());
    sqlite3_busy_timeout(writer.handle(), 0);
    EXPECT_NO_THROW(writer.execute("BEGIN EXCLUSIVE; INSERT INTO t VALUES (3); COMMIT"));
}
