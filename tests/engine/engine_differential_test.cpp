// Long random sequences of adds, removals, resets and call checks, answered by the indexed engine
// and by plain linear scans over a vector, must agree on every answer, flag and file byte. Indexed
// loggers are known to drift after deletions; this is where such drift would show.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "boundary/plugin_calls.h"
#include "boundary/statistics_reset.h"
#include "engine/add_qso.h"
#include "engine/bad_qso_line.h"
#include "engine_test_support.h"

namespace {

// ---- the reference: straightforward scans, no indexes ----

struct RefRecord {
    std::string call, band, mode, district;
    OleDateTime time;
    int notScored = 0, dupe = 0, badDistrict = 0;
    unsigned freqKHz = 0;
};

bool InList(const std::vector<std::string>& names, const std::string& text) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoringCase(n, text); });
}

const std::vector<std::string> kBands = {"160m", "80m", "40m"};
const std::vector<std::string> kModes = {"CW", "SSB", "BPSK31", "BPSK63", "BPSK125",
                                         "QPSK31", "QPSK63", "QPSK125", "MFSK", "RTTY"};

std::vector<std::string> SplitAtDoubleBlanks(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find("  ", start)) != std::string::npos; start = at + 2)
        fields.push_back(line.substr(start, at - start));
    fields.push_back(line.substr(start));
    return fields;
}

struct Reference {
    std::vector<RefRecord> log;
    std::vector<std::string> bandsWorked;
    std::string header = kBadQsoHeader;
    std::vector<std::string> lines;  // finding lines with their CR LF
    DistrictList districts;
    std::string hostVersion;
    std::int32_t refreshReady = 1;
    int refreshPosts = 0;

    int add(const TestQso& q) {
        const QsoInput in = q.input();
        if (!InList(kBands, q.band)) return reject(in, BadQsoReason::wrongBand);
        if (!InList(kModes, q.mode)) return reject(in, BadQsoReason::wrongMode);
        if (q.exchReceived.empty() || q.exchSent.empty()) return reject(in, BadQsoReason::noExchange);
        if (std::find(bandsWorked.begin(), bandsWorked.end(), q.band) == bandsWorked.end())
            bandsWorked.push_back(q.band);
        RefRecord r{q.call, q.band, q.mode, "", q.time};
        r.freqKHz = q.frequencyHz / 1000;
        if (q.country == "UR") {
            std::string code = CleanDistrictCode(q.exchReceived);
            if (!districts.loaded() || districts.isKnownDistrict(code)) {
                r.district = code;
            } else {
                r.notScored = r.badDistrict = 1;
                lines.push_back(FormatBadQsoLine(in, BadQsoReason::unknownDistrict, code));
            }
        }
        for (const RefRecord& earlier : log) {
            if (earlier.call == r.call && earlier.band == r.band && earlier.mode == r.mode) {
                r.notScored = r.dupe = 1;
                lines.push_back(FormatBadQsoLine(in, BadQsoReason::dupe));
            }
        }
        log.push_back(r);
        return 1;
    }

    int reject(const QsoInput& in, BadQsoReason reason) {
        lines.push_back(FormatBadQsoLine(in, reason));
        return 0;
    }

    void remove(const TestQso& q, bool windowOpen) {
        unsigned freqKHz = q.frequencyHz / 1000;  // a record that matched gives its own
        for (auto it = log.begin(); it != log.end(); ++it) {
            if (it->call == q.call && it->band == q.band && it->mode == q.mode && SameDateTime(it->time, q.time)) {
                freqKHz = it->freqKHz;
                log.erase(it);
                break;
            }
        }
        // The random texts hold no blanks, so a plain split finds the fields.
        const std::string freq = std::to_string(freqKHz);
        const std::string dateTime = BadQsoDateTime(q.time);
        std::erase_if(lines, [&](const std::string& line) {
            auto f = SplitAtDoubleBlanks(line);
            return f.size() > 7 && f[1] == freq && f[2] == q.mode && f[3] == dateTime && f[7] == q.call;
        });
        header = kBadQsoRewriteHeader;
        if (windowOpen) ++refreshPosts;
    }

    int check(const CallCheckQuery& a, bool windowOpen) {
        if (windowOpen && refreshReady) {
            refreshReady = 0;
            ++refreshPosts;
        }
        const int rejection = (hostVersion == "2.19" || hostVersion == "2.20") ? 1 : 4;
        const std::string band(a.band.value_or(""));
        if (a.band && a.band2 && !EqualsIgnoringCase(*a.band, *a.band2)) return rejection;
        if (!InList(kBands, band)) return rejection;
        if (!InList(kModes, std::string(a.mode))) return rejection;
        if (a.country.empty()) return 1;
        for (const RefRecord& r : log)
            if (r.call == a.call && r.band == band && r.mode == a.mode) return 0;
        return 1;
    }

    std::string file() const {
        std::string text = header + "\r\n";
        for (const auto& line : lines) text += line;
        return text;
    }
};

// ---- random QSOs from small pools, so that matches, dupes and look-alikes are frequent ----

template <typename T>
const T& Pick(std::mt19937& rng, const std::vector<T>& pool) {
    return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(rng)];
}

TestQso RandomQso(std::mt19937& rng) {
    static const std::vector<std::string> calls = {"UR1A", "UR1AB", "UR1ABC", "DL1X", "UR1AB/P", "K1ABC"};
    static const std::vector<std::string> bands = {"160m", "80m", "40m", "80m", "80M", "20m"};
    static const std::vector<std::string> modes = {"CW", "CW", "SSB", "cw", "RTTY", "AM"};
    static const std::vector<std::string> exchanges = {"KV05", "lv01", " kv05 ", "ZZ99", "123", ""};
    static const std::vector<std::string> sent = {"001", "002", ""};
    static const std::vector<std::string> countries = {"UR", "UR", "DL", "IT9", ""};
    static const std::vector<unsigned> frequencies = {1830000, 3520000, 3520999, 7012000, 14012000};
    TestQso q;
    q.call = Pick(rng, calls);
    q.band = Pick(rng, bands);
    q.mode = Pick(rng, modes);
    q.exchReceived = Pick(rng, exchanges);
    q.exchSent = Pick(rng, sent);
    q.country = Pick(rng, countries);
    q.frequencyHz = Pick(rng, frequencies);
    std::uniform_int_distribution<unsigned> day(6, 7), minute(0, 3), second(0, 1);
    q.time = MakeOleDate(2017, 5, day(rng), 14, minute(rng), second(rng) * 30);
    return q;
}

void ExpectSameLog(const PluginState& engine, const Reference& ref, std::size_t step) {
    const QsoLog& log = engine.contest.qsoLog;
    ASSERT_EQ(log.count(), ref.log.size()) << "step " << step;
    for (std::size_t i = 0; i < ref.log.size(); ++i) {
        const CInfo& e = log.at(i);
        const RefRecord& r = ref.log[i];
        ASSERT_TRUE(e.m_call == r.call && e.m_band == r.band && e.m_mode == r.mode &&
                    e.m_district == r.district && e.m_notScored == r.notScored && e.m_dupe == r.dupe &&
                    e.m_badDistrict == r.badDistrict && SameDateTime(e.m_time, r.time))
            << "step " << step << " record " << i;
    }
}

class EngineDifferentialTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(EngineDifferentialTest, IndexedEngineAgreesWithLinearScans) {
    std::mt19937 rng(GetParam());
    PluginState engine;
    FakeFileStore files;
    FakePlatform platform;
    Reference ref;
    files.files[kDistrictFilePath] = "KV-05 Kyiv\r\nLV-01 Lviv\r\n";

    ResetArguments reset;
    reset.myCall = "UR5AA";
    reset.contestStart = MakeOleDate(2017, 5, 5);
    reset.contestEnd = MakeOleDate(2017, 5, 6);
    auto doReset = [&] {
        RunStatisticsReset(engine, reset, platform, files);
        ref.log.clear();
        ref.bandsWorked.clear();
        ref.lines.clear();
        ref.header = kBadQsoHeader;
        ref.districts.load(&files.files[kDistrictFilePath]);
        const std::string versions[] = {"Vexl", "2.19", "2.20", "2.21"};
        engine.hostVersion = ref.hostVersion = versions[rng() % 4];
    };
    doReset();
    platform.windowOpen = false;
    const std::string& fileName = engine.contest.badQsoFileName;
    ASSERT_EQ(fileName, kTestBadQsoFile);

    std::vector<TestQso> added;  // QSOs the host has logged, rejected ones included
    constexpr std::size_t kSteps = 6000;
    for (std::size_t step = 0; step < kSteps; ++step) {
        const unsigned op = rng() % 1000;
        if (op < 450) {
            TestQso q = RandomQso(rng);
            ASSERT_EQ(AddQso(engine, q.input(), files), ref.add(q)) << "step " << step;
            added.push_back(q);
        } else if (op < 700) {
            // Mostly QSOs that were logged, sometimes one that never was.
            const bool logged = !added.empty() && rng() % 5 != 0;
            const std::size_t index = logged ? rng() % added.size() : 0;
            const TestQso q = logged ? added[index] : RandomQso(rng);
            const int postsBefore = platform.refreshPosts;
            ASSERT_EQ(RemoveQso(engine, q.input(), platform, files), 1);
            ref.remove(q, platform.windowOpen);
            ASSERT_EQ(platform.refreshPosts - postsBefore, platform.windowOpen ? 1 : 0);
            if (logged) added.erase(added.begin() + static_cast<std::ptrdiff_t>(index));
        } else if (op < 997) {
            TestQso q = (!added.empty() && rng() % 2 == 0) ? added[rng() % added.size()] : RandomQso(rng);
            CallCheckQuery a;
            a.call = q.call;
            a.mode = q.mode;
            a.country = q.country;
            if (rng() % 10 != 0) a.band = q.band;
            const std::string otherBand = rng() % 2 ? "80m" : "80M";
            if (rng() % 3 != 0) a.band2 = (rng() % 4 == 0) ? std::string_view(otherBand) : a.band;
            if (rng() % 7 == 0) platform.windowOpen = !platform.windowOpen;
            const bool open = platform.windowOpen;
            ASSERT_EQ(CheckCall(engine, a, platform), ref.check(a, open)) << "step " << step;
            ASSERT_EQ(engine.refreshReady, ref.refreshReady);
            if (rng() % 3 == 0) engine.refreshReady = ref.refreshReady = 1;  // the window's refresh ran
        } else {
            doReset();
            added.clear();
        }
        ExpectSameLog(engine, ref, step);
        ASSERT_EQ(engine.contest.bandsWorked, ref.bandsWorked) << "step " << step;
        ASSERT_EQ(platform.refreshPosts, ref.refreshPosts) << "step " << step;
        ASSERT_EQ(files.files[fileName], ref.file()) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EngineDifferentialTest, ::testing::Values(20170506u, 1u, 2u, 3u, 4u));

}  // namespace
