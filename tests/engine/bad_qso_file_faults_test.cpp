// A contest session replayed over a file store that fails at chosen moments: whatever fails, the
// log, the counts the results see and, once the file can be reached again, the file itself are
// those of the session without faults.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "boundary/statistics_reset.h"
#include "engine/add_qso.h"
#include "engine/bad_qso_file.h"
#include "engine/remove_qso.h"
#include "engine_test_support.h"

namespace {

enum class Step { reset, add, remove, count };

struct Action {
    Step step;
    TestQso qso;
};

TestQso Qso(const char* call, const char* band, unsigned hz, const char* mode, unsigned hour, unsigned minute,
            const char* exchReceived, const char* country = "UR") {
    TestQso q;
    q.call = call;
    q.band = band;
    q.frequencyHz = hz;
    q.mode = mode;
    q.time = MakeOleDate(2017, 5, 6, hour, minute);
    q.exchReceived = exchReceived;
    q.country = country;
    q.rstSent = std::to_string(500 + minute);
    q.rstReceived = std::to_string(400 + hour);
    q.exchSent = std::to_string(100 + minute);
    return q;
}

TestQso WithFrequency(TestQso q, unsigned hz) {
    q.frequencyHz = hz;
    return q;
}

const TestQso kFirst = Qso("UR1AB", "80m", 3520000, "CW", 14, 5, "KV05");
const TestQso kDupe = Qso("UR1AB", "80m", 3521000, "CW", 14, 7, "KV05");
const TestQso kRejected = Qso("DL1XYZ", "20m", 14012000, "SSB", 14, 9, "017", "DL");
const TestQso kSecondDupe = Qso("UR1AB", "80m", 3522000, "CW", 14, 11, "KV05");
const TestQso kBadDistrict = Qso("UR7QM", "160m", 1830500, "CW", 9, 0, "xy12");
const TestQso kNext = Qso("UR3CC", "40m", 7012000, "RTTY", 10, 15, "LV01");
const TestQso kNextDupe = Qso("UR3CC", "40m", 7013000, "RTTY", 10, 16, "LV01");
const TestQso kNextBad = Qso("UR4DD", "160m", 1831000, "SSB", 10, 20, "zz11");
const TestQso kLast = Qso("UR5EE", "80m", 3530000, "CW", 10, 25, "KV05");

const std::vector<Action> kSession = {
    {Step::reset, {}},
    {Step::add, kFirst},
    {Step::add, kDupe},
    {Step::add, kRejected},
    {Step::count, {}},
    {Step::add, kSecondDupe},
    {Step::remove, WithFrequency(kDupe, 3599000)},  // the host may send another frequency
    {Step::count, {}},
    {Step::remove, kRejected},
    {Step::add, kBadDistrict},
    {Step::count, {}},
    {Step::reset, {}},
    {Step::add, kNext},
    {Step::add, kNextDupe},
    {Step::add, kNextBad},
    {Step::count, {}},
    {Step::remove, kNext},
    {Step::add, kNextDupe},
    {Step::count, {}},
    {Step::add, kLast},
    {Step::count, {}},
    {Step::count, {}},
};

struct Outcome {
    std::vector<std::pair<std::int64_t, std::int64_t>> counts;  // lines, duplicate lines
    std::size_t records = 0;
    std::string findings;
    std::string header;
};

// Runs the session; `fault` is told the index of each action before it runs, to set or clear
// its faults.
Outcome RunSession(const std::function<void(FakeFileStore&, std::size_t)>& fault) {
    ContestState state;
    FakeFileStore files;
    FakePlatform platform;
    files.files[kTestBadQsoFile] = "lines of an earlier contest\r\n";
    const std::string districts = "KV-05 Kyiv\r\nLV-01 Lviv\r\n";
    state.districtList.load(&districts);
    state.badQsoFileName = kTestBadQsoFile;
    Outcome outcome;
    for (std::size_t i = 0; i < kSession.size(); ++i) {
        fault(files, i);
        const Action& action = kSession[i];
        switch (action.step) {
            case Step::reset:
                state.qsoLog.clear();
                CreateBadQsoFile(files, state.badQsoFileName, state.badQsoBacklog);
                break;
            case Step::add: AddQsoToLog(state, action.qso.input(), files); break;
            case Step::remove: RemoveQsoFromLog(state, action.qso.input(), platform, files); break;
            case Step::count: {
                const BadQsoLineCount count = CountBadQsoLines(files, state.badQsoFileName, state.badQsoBacklog);
                outcome.counts.emplace_back(count.lines, count.duplicateLines);
                break;
            }
        }
    }
    outcome.records = state.qsoLog.count();
    outcome.findings = FindingLines(files);
    const std::string& text = files.files[kTestBadQsoFile];
    outcome.header = text.substr(0, text.find("\r\n") + 2);
    return outcome;
}

void ExpectSameAsWithoutFaults(const Outcome& outcome, const std::string& fault) {
    static const Outcome reference = RunSession([](FakeFileStore&, std::size_t) {});
    EXPECT_EQ(outcome.counts, reference.counts) << fault;
    EXPECT_EQ(outcome.records, reference.records) << fault;
    EXPECT_EQ(outcome.findings, reference.findings) << fault;
    // A removal while a reset's emptying was owed leaves the reset's header.
    EXPECT_TRUE(outcome.header == kRewrittenHeader || outcome.header == kFreshBadQsoFile) << fault;
}

TEST(BadQsoFileFaults, TheSessionWithoutFaultsWritesWhatItShould) {
    const Outcome outcome = RunSession([](FakeFileStore&, std::size_t) {});
    const std::vector<std::pair<std::int64_t, std::int64_t>> counts = {{3, 1}, {4, 2}, {4, 2}, {3, 1},
                                                                       {4, 2}, {4, 2}, {4, 2}};
    EXPECT_EQ(outcome.counts, counts);
    const std::string dupe = FormatBadQsoLine(kNextDupe.input(), BadQsoReason::dupe);
    EXPECT_EQ(outcome.findings,
              dupe + FormatBadQsoLine(kNextBad.input(), BadQsoReason::unknownDistrict, "ZZ11") + dupe);
    EXPECT_EQ(outcome.header, kRewrittenHeader);
    EXPECT_EQ(outcome.records, 4u);
}

TEST(BadQsoFileFaults, OneFailingOperationOfAnyKindLosesNothing) {
    for (FileOp kind : {FileOp::open, FileOp::read, FileOp::write, FileOp::rename})
        for (int nth = 1; nth <= 40; ++nth)
            ExpectSameAsWithoutFaults(RunSession([&](FakeFileStore& files, std::size_t i) {
                                          if (i == 0) files.failing[kind] = {nth};
                                      }),
                                      "operation " + std::to_string(static_cast<int>(kind)) + " #" + std::to_string(nth));
}

TEST(BadQsoFileFaults, AFileHeldOrUnreadableForAWhileLosesNothing) {
    struct Hold {
        const char* name;
        std::set<std::string> FakeFileStore::*paths;
    };
    for (const Hold hold : {Hold{"locked", &FakeFileStore::locked}, Hold{"unreadable", &FakeFileStore::unreadable}})
        for (std::size_t from = 0; from + 2 < kSession.size(); ++from)
            for (std::size_t until = from + 1; until + 2 <= kSession.size(); ++until)
                ExpectSameAsWithoutFaults(RunSession([&](FakeFileStore& files, std::size_t i) {
                                              if (i == from) (files.*hold.paths).insert(kTestBadQsoFile);
                                              if (i == until) (files.*hold.paths).clear();
                                          }),
                                          std::string(hold.name) + " from " + std::to_string(from) + " until " +
                                              std::to_string(until));
}

// What the old contest's file still owes goes there before a reset for another end date leaves it;
// the same end date empties the file, so nothing owed to it is written.
TEST(BadQsoFileFaults, AResetForAnotherEndDateFirstWritesWhatTheOldFileOwes) {
    for (bool sameEnd : {false, true}) {
        PluginState plugin;
        FakePlatform platform;
        FakeFileStore files;
        ResetArguments args;
        args.myCall = "UT1AA";
        args.contestEnd = MakeOleDate(2017, 5, 6, 3, 0);
        RunStatisticsReset(plugin, args, platform, files);
        files.locked.insert(kTestBadQsoFile);
        AddQsoToLog(plugin.contest, kRejected.input(), files);
        files.locked.clear();
        if (!sameEnd) args.contestEnd = MakeOleDate(2017, 5, 7, 3, 0);
        RunStatisticsReset(plugin, args, platform, files);

        const std::string line = FormatBadQsoLine(kRejected.input(), BadQsoReason::wrongBand);
        EXPECT_EQ(files.files[kTestBadQsoFile], kFreshBadQsoFile + (sameEnd ? "" : line)) << sameEnd;
        EXPECT_EQ(files.files[plugin.contest.badQsoFileName], kFreshBadQsoFile) << sameEnd;
    }
}

}  // namespace
