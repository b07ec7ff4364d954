#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <thread>

#include "server/log_files.h"
#include "site_fixture.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

const std::string kQso = "QSO:  3520 CW 2017-05-05 2100 UT5ZZ 599 KI01 DL1ABC 599 001\n";

std::size_t FilesUnder(const fs::path& folder) {
    std::size_t count = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); it != fs::recursive_directory_iterator(); ++it)
        count += it->is_regular_file();
    return count;
}

// Lets the check workers started while it lives obey a fault named in a log.
class PlantedWorkerFaults {
public:
    PlantedWorkerFaults() { ::setenv("ZELK_CHECK_WORKER_TEST_FAULTS", "1", 1); }
    ~PlantedWorkerFaults() { ::unsetenv("ZELK_CHECK_WORKER_TEST_FAULTS"); }
};

std::string LogWithFault(const std::string& call, const std::string& fault) {
    return CabrilloLog(call, kQso, "CATEGORY-OPERATOR: SINGLE-OP\nZELK-TEST-FAULT: " + fault);
}

struct HostileUpload {
    const char* name;
    std::string log;
    std::vector<int> statuses;  // any of these
    std::string seen;           // in the answer
    bool stored;
};

// Whatever a client uploads, the site answers it with a page or JSON of its own (never a 500),
// keeps a file only with its receipt, and serves the next upload.
TEST(HostileUploads, EachIsAnsweredAndTheSiteServesOn) {
    PlantedWorkerFaults faults;
    RunningSite site([](SiteConfig& config) {
        config.maxUploadBytes = 256 * 1024;
        config.checks.wallSeconds = 6;
        config.checks.cpuSeconds = 1;
        config.checks.memoryMb = 256;
    });
    const std::string nested = "<ADX><RECORDS><RECORD>" + [] {
        std::string tags;
        for (int i = 0; i < 80000; ++i) tags += "<A>";
        return tags;
    }() + "</RECORD></RECORDS></ADX>";
    const HostileUpload cases[] = {
        {"CP1251 category", "START-OF-LOG: 3.0\r\nCALLSIGN: UR2CP\r\nCATEGORY-OPERATOR: SO \xca\xe8\r\nEND-OF-LOG:\r\n",
         {201}, "SO \xd0\x9a\xd0\xb8", true},
        {"CP1251 exchange", CabrilloLog("UR3CP", "QSO:  3520 CW 2017-05-05 2100 UR3CP 599 \xca\xc8\xce\xc1 DL1ABC 599 \xd5\xc0\n"),
         {201}, "\"qsos\"", true},
        {"CP1251 own call", CabrilloLog("UR\xca\xe8", kQso), {422}, "UR\xd0\x9a\xd0\xb8", false},
        {"check crashes", LogWithFault("UR4CR", "crash"), {422}, "could not be checked: the check crashed", false},
        {"check hangs", LogWithFault("UR5HG", "hang"), {422}, "took longer than 6 s", false},
        {"check spins", LogWithFault("UR6SP", "spin"), {422}, "more than 1 s of processor time", false},
#if !defined(__SANITIZE_ADDRESS__)  // a sanitized worker has no memory limit
        {"check takes all memory", LogWithFault("UR7MM", "memory"), {422}, "more than 256 MB of memory", false},
#endif
        {"240 KB of nested ADX tags", nested, {201, 422}, "", false},
        {"one byte over the limit", CabrilloLog("UR8BG", kQso) + std::string(256 * 1024, 'x'), {413}, "256 KB", false},
        {"just over the limit, within the framing", [] {
             std::string log = CabrilloLog("UR9BG", kQso);
             return log + std::string(256 * 1024 + 1 - log.size(), ' ');
         }(),
         {413}, "256 KB", false},
    };
    std::size_t storedCount = 0;
    for (const HostileUpload& c : cases) {
        SCOPED_TRACE(c.name);
        {
            auto res = UploadLog(site.client(), c.log);
            ASSERT_TRUE(res);
            EXPECT_NE(std::find(c.statuses.begin(), c.statuses.end(), res->status), c.statuses.end()) << res->status << res->body;
            EXPECT_NE(res->body.find(c.seen), std::string::npos) << res->body;
            EXPECT_TRUE(json::accept(res->body)) << res->body;
            storedCount += res->status == 201;
            if (c.stored) {
                EXPECT_EQ(res->status, 201);
            }
        }
        // The site serves on, and every text it gives is UTF-8 JSON.
        auto received = site.client().Get("/api/received");
        ASSERT_TRUE(received);
        ASSERT_EQ(received->status, 200);
        EXPECT_EQ(json::parse(received->body)["logs"].size(), storedCount);
        EXPECT_EQ(FilesUnder(site.folder / "files"), storedCount) << "a refused log left its file";
        EXPECT_EQ(FilesUnder(site.folder / "tmp"), 0u) << "a check left its scratch file";
    }
    // The committee's list shows the CP1251 text as text.
    auto list = site.client().Get("/api/committee/submissions", {{"Authorization", "Bearer " + site.apiToken()}});
    ASSERT_EQ(list->status, 200);
    EXPECT_NE(list->body.find("SO \xd0\x9a\xd0\xb8"), std::string::npos);
}

struct HostileField {
    const char* name;
    std::function<httplib::Result(httplib::Client&)> send;
    int status;
    std::string seen;
};

TEST(HostileUploads, FieldsOfAnyBytesOrSizeGetTheirOwnAnswer) {
    RunningSite site;
    const HostileField cases[] = {
        {"CP1251 e-mail address", [](httplib::Client& c) { return UploadLog(c, CabrilloLog("UR1EM", kQso), "/api/logs", "\xc8\xe2\xe0\xed@example.org"); },
         201, "\"receipt\""},
        {"form text over 8 KB", [](httplib::Client& c) { return c.Post("/upload", httplib::Params{{"text", std::string(9000, 'Q')}}); },
         413, "at most 8 KB"},
        {"form text of CP1251", [](httplib::Client& c) { return c.Post("/upload", httplib::Params{{"text", CabrilloLog("UR2EM", kQso, "CATEGORY-OPERATOR: \xc4\xe2\xe0")}}); },
         201, "\xd0\x94\xd0\xb2\xd0\xb0"},
    };
    for (const HostileField& c : cases) {
        SCOPED_TRACE(c.name);
        auto client = site.client();
        auto res = c.send(client);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status) << res->body;
        EXPECT_NE(res->body.find(c.seen), std::string::npos) << res->body;
    }
    auto list = site.client().Get("/api/committee/submissions", {{"Authorization", "Bearer " + site.apiToken()}});
    ASSERT_EQ(list->status, 200);
    EXPECT_NE(list->body.find("\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd@example.org"), std::string::npos) << list->body;
}

// A flush that fails for the files of logs from a UR5F* station (not for folders or other logs):
// those logs cannot be made durable.
int FailingFileFlush(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const std::string bytes = RunningSite::ReadText("/proc/self/fd/" + std::to_string(fd));
        if (bytes.find("CALLSIGN: UR5F") != std::string::npos) {
            errno = EIO;
            return -1;
        }
    }
    return ::fsync(fd);
}

// Sent at once, so that the logs whose flush failed and those beside them would share a commit.
TEST(HostileUploads, NoReceiptForALogNotFlushedToDiskAndTheCauseIsLogged) {
    RunningSite site([](SiteConfig& config) { config.errorLogFile = config.dataDir.string() + "-errors.log"; });
    const std::vector<std::string> calls = {"UR5FA", "UR1OK", "UR5FB", "UR2OK", "UR5FC", "UR3OK"};
    std::vector<int> statuses(calls.size(), 0);
    SetFileFlushForTests(FailingFileFlush);
    {
        std::vector<std::thread> uploads;
        for (std::size_t i = 0; i < calls.size(); ++i)
            uploads.emplace_back([&, i] {
                auto res = UploadLog(site.client(), CabrilloLog(calls[i], kQso));
                statuses[i] = res ? res->status : -1;
                if (res && res->status != 201) {
                    EXPECT_EQ(res->body.find("receipt"), std::string::npos) << res->body;
                }
            });
        for (auto& t : uploads) t.join();
    }
    SetFileFlushForTests(nullptr);
    std::set<std::string> stored;
    for (const Submission& s : site.server->store().allSubmissions()) stored.insert(s.call);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(calls[i]);
        const bool flushFails = calls[i].starts_with("UR5F");
        EXPECT_EQ(statuses[i], flushFails ? 503 : 201);
        EXPECT_EQ(stored.count(calls[i]), flushFails ? 0u : 1u);
        EXPECT_EQ(fs::exists(site.folder / "files" / Sha256Hex(CabrilloLog(calls[i], kQso)).substr(0, 2) /
                             Sha256Hex(CabrilloLog(calls[i], kQso))),
                  !flushFails);
    }
    EXPECT_EQ(FilesUnder(site.folder / "files"), 3u) << "a refused log left its file";
    const std::string errors = RunningSite::ReadText(site.folder.string() + "-errors.log");
    EXPECT_NE(errors.find("UR5FA"), std::string::npos) << errors;
    EXPECT_NE(errors.find("cannot flush"), std::string::npos) << errors;
    fs::remove(site.folder.string() + "-errors.log");

    // With the disk back, the same log is taken.
    EXPECT_EQ(UploadLog(site.client(), CabrilloLog("UR5FA", kQso))->status, 201);
}

}  // namespace
