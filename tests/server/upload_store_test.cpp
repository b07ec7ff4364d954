#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "server/upload_store.h"
#include "site_fixture.h"

namespace {

namespace fs = std::filesystem;

// Holds the site's database at its next commit until let go, then lets that commit and the
// ones after it pass or fail: a commit hook, SQLite's own seam at the moment of the commit.
class CommitGate {
public:
    CommitGate(SiteStore& store, bool failLaterCommits) : m_store(store), m_failLater(failLaterCommits) {
        store.withDatabase([this](Database& db) { sqlite3_commit_hook(db.handle(), &CommitGate::OnCommit, this); });
    }
    ~CommitGate() {
        m_store.withDatabase([](Database& db) { sqlite3_commit_hook(db.handle(), nullptr, nullptr); });
    }
    CommitGate(const CommitGate&) = delete;
    CommitGate& operator=(const CommitGate&) = delete;
    bool holding() {
        std::lock_guard lock(m_mutex);
        return m_holding;
    }
    void letGo() {
        std::lock_guard lock(m_mutex);
        m_letGo = true;
        m_changed.notify_all();
    }

private:
    static int OnCommit(void* self) { return static_cast<CommitGate*>(self)->onCommit(); }
    int onCommit() {
        std::unique_lock lock(m_mutex);
        if (m_commits++ > 0) return m_failLater ? 1 : 0;  // non-zero turns the commit into a rollback
        m_holding = true;
        m_changed.wait(lock, [this] { return m_letGo; });
        return 0;
    }

    SiteStore& m_store;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_failLater;
    bool m_holding = false, m_letGo = false;
    int m_commits = 0;
};

struct Member {
    std::string call;
    std::string bytes;
    bool failsAlone = false;  // its own part of the transaction throws
    bool kept = false;        // expected
};

struct GroupCommitCase {
    const char* name;
    bool commitFails;
    std::vector<Member> members;
};

std::string LogOf(const std::string& call) { return CabrilloLog(call, "QSO:  3520 CW 2017-05-05 2100 " + call + " 599 KI01 DL1ABC 599 001\n"); }

// A first upload's commit is held while the others wait, so that they all go in the next commit
// together; then each is kept or refused as a whole: a receipt only with its row and its file.
TEST(UploadStore, UploadsWaitingTogetherShareACommitAndEachIsKeptWholeOrNotAtAll) {
    StartSodium();
    const GroupCommitCase cases[] = {
        {"a commit that fails refuses every upload in it and keeps none of their files", true,
         {{"UR1AA", LogOf("UR1AA"), false, false},
          {"UR2BB", LogOf("UR2BB"), false, false},
          {"UR0OPEN", LogOf("UR0OPEN"), false, false},  // the stored first upload's bytes: that file stays
          {"UR3CC", LogOf("UR3CC"), false, false}}},
        {"an upload whose own part fails is refused alone", false,
         {{"UR1AA", LogOf("UR1AA"), false, true},
          {"UR2BB", LogOf("UR2BB"), true, false},
          {"UR0OPEN", LogOf("UR0OPEN"), false, true},
          {"UR3CC", LogOf("UR3CC"), false, true}}},
        {"uploads that all succeed are each kept with their own number", false,
         {{"UR1AA", LogOf("UR1AA"), false, true}, {"UR2BB", LogOf("UR2BB"), false, true}, {"UR3CC", LogOf("UR3CC"), false, true}}},
    };
    for (const GroupCommitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = fs::temp_directory_path() / ("zelk-upload-store-test-" + RandomToken(4));
        fs::create_directories(folder);
        {
            SiteStore store(folder / "site.db");
            LogFiles files(folder / "files");
            UploadStore uploads(files, store);
            CommitGate gate(store, c.commitFails);

            const auto upload = [&](const Member& m, const std::string& receipt, Submission& s) {
                s.call = m.call;
                std::string failure;
                const auto failAlone = [&m](Database&, const Submission&) {
                    if (m.failsAlone) throw std::runtime_error("its mail cannot be queued");
                };
                return uploads.store(m.bytes, s, receipt, false, failAlone, failure).has_value();
            };
            Submission opener;
            std::thread first([&] { upload({"UR0OPEN", LogOf("UR0OPEN")}, "the first receipt", opener); });  // its commit held
            EXPECT_TRUE(WaitFor([&] { return gate.holding(); }));

            std::vector<Submission> submissions(c.members.size());
            std::vector<char> kept(c.members.size(), false);
            std::vector<std::thread> others;
            for (std::size_t i = 0; i < c.members.size(); ++i)
                others.emplace_back([&, i] { kept[i] = upload(c.members[i], "receipt " + std::to_string(i), submissions[i]); });
            EXPECT_TRUE(WaitFor([&] { return store.submissionsWaiting() == c.members.size(); }));
            gate.letGo();
            first.join();
            for (auto& t : others) t.join();

            EXPECT_GT(opener.id, 0);
            std::vector<std::int64_t> ids;
            for (std::size_t i = 0; i < c.members.size(); ++i) {
                const Member& m = c.members[i];
                SCOPED_TRACE(m.call);
                EXPECT_EQ(static_cast<bool>(kept[i]), m.kept);
                const auto row = store.submissionByReceipt("receipt " + std::to_string(i));
                EXPECT_EQ(row.has_value(), m.kept);
                if (row) {
                    ids.push_back(row->id);
                    EXPECT_EQ(row->id, submissions[i].id);
                }
                const std::string sha = Sha256Hex(m.bytes);
                EXPECT_EQ(fs::exists(files.pathOf(sha)), m.kept || store.holdsFile(sha));
            }
            std::sort(ids.begin(), ids.end());
            EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "two uploads with one number";
            EXPECT_EQ(store.allSubmissions().size(), 1 + ids.size());
            EXPECT_EQ(store.integrityCheck(), "ok");
        }
        fs::remove_all(folder);
    }
}

}  // namespace

// A participant checks his receipt's SHA-256 with any standard tool: the standard's own vectors,
// and one longer than a block pipeline's buffers.
TEST(UploadStore, FileNamesAreTheStandardSha256OfTheBytes) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
