// The bad-QSO file of the real DLL when it is huge, when a folder sits where its side file would
// go, and while another program holds it without sharing.
#define PSAPI_VERSION 2
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "support/dll_under_test.h"
#include "support/scratch_folder.h"
#include "support/window_finder.h"

namespace {

constexpr const char* kBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";
constexpr const char* kSideFolder = "BadQSO_StatsZELK_06_05_2017.txt.tmp";
const std::string kHeader = "ZELK TEST UBN file \r\n";
const std::string kRewriteHeader = "ZELK TEST UBN file UBN file \r\n";

struct TestQso {
    const char *call, *band;
    unsigned hz;
    const char* mode;
    unsigned hour, minute;
    const char *rstSent, *exchSent, *rstReceived, *exchReceived, *country;

    stats_api::Qso at(unsigned otherHz = 0) const {
        stats_api::Qso q;
        q.myCall = "UT1AA";
        q.call = call;
        q.band = band;
        q.frequencyHz = otherHz ? otherHz : hz;
        q.mode = mode;
        q.time = MakeOleDate(2017, 5, 6, hour, minute);
        q.rstSent = rstSent;
        q.exchSent = exchSent;
        q.rstReceived = rstReceived;
        q.exchReceived = exchReceived;
        q.country = country;
        return q;
    }
};

const TestQso kFirst{"UR1AB", "80m", 3520000, "CW", 14, 5, "599", "001", "579", "KV05", "UR"};
const TestQso kDupe{"UR1AB", "80m", 3521000, "CW", 14, 7, "589", "002", "569", "KV05", "UR"};
const TestQso kWrongBand{"DL1XYZ", "20m", 14012000, "SSB", 14, 9, "59", "003", "57", "017", "DL"};
const TestQso kSecondDupe{"UR1AB", "80m", 3522000, "CW", 14, 11, "579", "004", "559", "KV05", "UR"};
const TestQso kNext{"UR3CC", "40m", 7012000, "RTTY", 10, 15, "599", "005", "589", "LV01", "UR"};
const TestQso kNextDupe{"UR3CC", "40m", 7013000, "RTTY", 10, 16, "598", "006", "588", "LV01", "UR"};
const TestQso kBadDistrict{"UR7QM", "160m", 1830500, "SSB", 9, 0, "57", "007", "55", "xy12", "UR"};

const std::string kDupeLine = "QSO:  3521  CW  2017-05-06 1407  UT1AA  589  002  UR1AB  569  KV05   DUPE !!!\r\n";
const std::string kWrongBandLine =
    "QSO:  14012  SSB  2017-05-06 1409  UT1AA  59  003  DL1XYZ  57  017   WRONG BAND !!!\r\n";
const std::string kSecondDupeLine =
    "QSO:  3522  CW  2017-05-06 1411  UT1AA  579  004  UR1AB  559  KV05   DUPE !!!\r\n";
const std::string kNextDupeLine =
    "QSO:  7013  RTTY  2017-05-06 1016  UT1AA  598  006  UR3CC  588  LV01   DUPE !!!\r\n";
const std::string kBadDistrictLine =
    "QSO:  1830  SSB  2017-05-06 0900  UT1AA  57  007  UR7QM  55  xy12  XY12  ZELK Code Area is not acceptable !!!\r\n";

// A reset that opens no windows: the one-shot switch says the thread was started already.
void Reset(DllUnderTest& dll, int cabrillo = 0) {
    WriteWholeFile("Plugins\\zelk.txt", "KV-05 Kyiv\r\nLV-01 Lviv\r\n");
    WriteWholeFile("Plugins\\ZELK.ini", "[Settings]\r\nStart=1\r\n");
    ASSERT_EQ(dll.reset("UT1AA", cabrillo), 1);
}

// "Dupe" and "Bad QSO" of a text summary, as "dupe/bad".
std::string Figures(DllUnderTest& dll) {
    int out = 0;
    const std::string text = dll.getResult(&out);
    auto figure = [&](const char* label) {
        auto at = text.find(label);
        return at == std::string::npos ? std::string("?") : text.substr(at + strlen(label), text.find("\r\n", at) - at - strlen(label));
    };
    return figure("Dupe\t ") + "/" + figure("Bad QSO\t ");
}

// Another program holding the file open without sharing.
class Holder {
public:
    explicit Holder(const char* path)
        : m_handle(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~Holder() { release(); }
    bool holds() const { return m_handle != INVALID_HANDLE_VALUE; }
    void release() {
        if (holds()) CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

TEST(BadQsoFileFaults, FindingsAResetAndARemovalWaitWhileTheFileIsHeldAndAreWrittenInOrder) {
    ScratchFolder folder;
    DllUnderTest dll;
    Reset(dll);
    EXPECT_EQ(dll.add(kFirst.at()), 1);
    EXPECT_EQ(dll.add(kDupe.at()), 1);
    ASSERT_EQ(ReadWholeFile(kBadQsoFile), kHeader + kDupeLine);

    Holder holder(kBadQsoFile);
    ASSERT_TRUE(holder.holds());
    EXPECT_EQ(dll.add(kWrongBand.at()), 0);
    EXPECT_EQ(dll.add(kSecondDupe.at()), 1);
    EXPECT_EQ(dll.remove(kDupe.at(3555000)), 1);
    EXPECT_EQ(Figures(dll), "1/1");  // three lines waiting, one pruned, the second dupe's two count as dupes
    holder.release();
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kHeader + kDupeLine);
    EXPECT_EQ(Figures(dll), "1/1");
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kRewriteHeader + kWrongBandLine + kSecondDupeLine + kSecondDupeLine);

    Holder again(kBadQsoFile);
    ASSERT_TRUE(again.holds());
    Reset(dll);
    EXPECT_EQ(dll.add(kNext.at()), 1);
    EXPECT_EQ(dll.add(kNextDupe.at()), 1);
    EXPECT_EQ(dll.add(kBadDistrict.at()), 1);
    EXPECT_EQ(Figures(dll), "1/1");  // the old contest's lines no longer count
    again.release();
    EXPECT_EQ(Figures(dll), "1/1");
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kHeader + kNextDupeLine + kBadDistrictLine);
}

TEST(BadQsoFileFaults, ARemovalWithAnotherFrequencyTakesTheQsosLines) {
    ScratchFolder folder;
    DllUnderTest dll;
    Reset(dll);
    EXPECT_EQ(dll.add(kFirst.at()), 1);
    EXPECT_EQ(dll.add(kDupe.at()), 1);
    EXPECT_EQ(dll.add(kWrongBand.at()), 0);
    EXPECT_EQ(dll.remove(kDupe.at(3599000)), 1);
    EXPECT_EQ(dll.remove(kWrongBand.at(14099000)), 1);  // no record: the removal's frequency decides
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kRewriteHeader + kWrongBandLine);
    EXPECT_EQ(Figures(dll), "0/1");
}


TEST(BadQsoFileFaults, FoldersNamedLikeTheSideFilesBlockNoRewrite) {
    ScratchFolder folder;
    DllUnderTest dll;
    for (const char* side : {kSideFolder, "UT1AA.cbr.tmp"}) {
        ASSERT_TRUE(CreateDirectoryA(side, nullptr));
        WriteWholeFile(std::string(side) + "\\keep", side);
    }
    WriteWholeFile(kBadQsoFile, kHeader + kNextDupeLine);
    WriteWholeFile("UT1AA.cbr", "an older log\r\n");

    ASSERT_TRUE(WithDialog("ZELK CONTEST", [&] { Reset(dll, 1); },
                           [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); }));
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kHeader);
    EXPECT_EQ(dll.add(kFirst.at()), 1);
    EXPECT_EQ(dll.add(kDupe.at()), 1);
    EXPECT_EQ(dll.add(kWrongBand.at()), 0);
    EXPECT_EQ(dll.remove(kDupe.at()), 1);
    EXPECT_EQ(ReadWholeFile(kBadQsoFile), kRewriteHeader + kWrongBandLine);

    std::string message;
    int out = 0;
    ASSERT_TRUE(WithDialog("Output", [&] { dll.getResult(&out); }, [&](HWND box) {
        message = DialogStaticText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(message, "File produced: UT1AA.cbr");
    const std::string log = ReadWholeFile("UT1AA.cbr");
    EXPECT_TRUE(log.starts_with("START-OF-LOG: 2.0\r\n")) << log;
    EXPECT_NE(log.find(" UR1AB "), std::string::npos) << log;
    EXPECT_EQ(log.find("UR1AB", log.find("UR1AB") + 1), std::string::npos) << "the removed dupe is gone: " << log;
    EXPECT_TRUE(log.ends_with(" KV05\r\nEND-OF-LOG:\r\n")) << log;
    for (const char* side : {kSideFolder, "UT1AA.cbr.tmp"})
        EXPECT_EQ(ReadWholeFile(std::string(side) + "\\keep"), side);
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// Another station's findings, repeated until the file is some hundred megabytes.
const std::string kRepeatedLines =
    "QSO:  7020  CW  2017-05-06 1230  UT1AA  559  008  UR9ZZ  549  QQ77  QQ77  ZELK Code Area is not acceptable !!!\r\n"
    "QSO:  7020  CW  2017-05-06 1230  UT1AA  559  008  UR9ZZ  549  QQ77   DUPE !!!\r\n";
constexpr std::int64_t kRepeats = 1'800'000;

void AppendRepeats(const char* path) {
    std::string block;
    for (int i = 0; i < 40000; ++i) block += kRepeatedLines;
    std::FILE* file = std::fopen(path, "ab");
    ASSERT_NE(file, nullptr);
    for (std::int64_t done = 0; done < kRepeats; done += 40000)
        ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), file), block.size());
    std::fclose(file);
}

std::int64_t FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The file's first and last `n` bytes.
std::string Ends(const char* path, std::size_t n) {
    std::string head(n, '\0'), tail(n, '\0');
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return "<missing>";
    head.resize(std::fread(head.data(), 1, n, file));
    _fseeki64(file, -static_cast<long long>(n), SEEK_END);
    tail.resize(std::fread(tail.data(), 1, n, file));
    std::fclose(file);
    return head + "|" + tail;
}

TEST(BadQsoFileFaults, AFileOfSomeHundredMegabytesIsCountedAndPrunedInLittleMemory) {
    ScratchFolder folder;
    DllUnderTest dll;
    Reset(dll);
    EXPECT_EQ(dll.add(kFirst.at()), 1);
    EXPECT_EQ(dll.add(kDupe.at()), 1);
    EXPECT_EQ(dll.add(kWrongBand.at()), 0);
    AppendRepeats(kBadQsoFile);
    const std::int64_t size = FileSize(kBadQsoFile);
    ASSERT_EQ(size, static_cast<std::int64_t>(kHeader.size() + kDupeLine.size() + kWrongBandLine.size() +
                                              kRepeats * kRepeatedLines.size()));

    const PROCESS_MEMORY_COUNTERS before = Memory();
    const ULONGLONG start = GetTickCount64();
    // Lines: header, dupe, wrong band and two per repeat, of which one dupe.
    EXPECT_EQ(Figures(dll), "1/" + std::to_string(1 + kRepeats));
    const ULONGLONG counted = GetTickCount64();
    EXPECT_EQ(dll.remove(kDupe.at()), 1);
    const ULONGLONG pruned = GetTickCount64();
    const PROCESS_MEMORY_COUNTERS after = Memory();

    EXPECT_EQ(FileSize(kBadQsoFile), size - static_cast<std::int64_t>(kHeader.size() + kDupeLine.size()) +
                                         static_cast<std::int64_t>(kRewriteHeader.size()));
    const std::size_t ends = kRewriteHeader.size() + kWrongBandLine.size() + kRepeatedLines.size();
    const std::string repeated = kRepeatedLines + kRepeatedLines + kRepeatedLines;
    EXPECT_EQ(Ends(kBadQsoFile, ends),
              kRewriteHeader + kWrongBandLine + kRepeatedLines + "|" + repeated.substr(repeated.size() - ends));
    EXPECT_EQ(Figures(dll), "0/" + std::to_string(1 + kRepeats));
    EXPECT_EQ(ReadWholeFile(std::string(kBadQsoFile) + ".tmp"), "<missing>");

    const std::int64_t peakGrowth = static_cast<std::int64_t>(after.PeakWorkingSetSize) -
                                    static_cast<std::int64_t>(before.PeakWorkingSetSize);
    const std::int64_t privateGrowth =
        static_cast<std::int64_t>(after.PagefileUsage) - static_cast<std::int64_t>(before.PagefileUsage);
    std::printf("file %lld bytes; count %llu ms, prune %llu ms; peak working set %llu -> %llu KiB, private %llu -> "
                "%llu KiB\n",
                static_cast<long long>(size), counted - start, pruned - counted,
                static_cast<unsigned long long>(before.PeakWorkingSetSize / 1024),
                static_cast<unsigned long long>(after.PeakWorkingSetSize / 1024),
                static_cast<unsigned long long>(before.PagefileUsage / 1024),
                static_cast<unsigned long long>(after.PagefileUsage / 1024));
    EXPECT_LT(peakGrowth, size / 20);
    EXPECT_LT(privateGrowth, size / 20);
}

}  // namespace
