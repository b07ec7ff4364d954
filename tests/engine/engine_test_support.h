#pragma once

#include <string>

#include "engine/bad_qso_file.h"
#include "engine/contest_state.h"
#include "engine/qso_input.h"
#include "support/fakes.h"

// A QSO whose texts the test owns, with a value in every field.
struct TestQso : QsoTexts {
    TestQso() {
        myCall = "UR5AA";
        call = "UR1AB";
        time = MakeOleDate(2017, 5, 6, 14, 5);
        frequencyHz = 3520000;
        mode = "CW";
        rstSent = "599";
        rstReceived = "579";
        exchSent = "001";
        exchReceived = "KV05";
        country = "UR";
        extra = "x";
        band = "80m";
    }
};

inline constexpr const char* kTestBadQsoFile = "BadQSO_StatsZELK_06_05_2017.txt";
inline const std::string kFreshBadQsoFile = std::string(kBadQsoHeader) + "\r\n";
inline const std::string kRewrittenHeader = std::string(kBadQsoRewriteHeader) + "\r\n";

// A state as a reset leaves it: a district list, an empty log and a bad-QSO file with its header.
inline void PrepareContest(ContestState& state, FakeFileStore& files,
                           const std::string& districtFile = "KV-05 Kyiv\r\nLV-01 Lviv\r\n") {
    state.districtList.load(&districtFile);
    state.badQsoFileName = kTestBadQsoFile;
    files.files[kTestBadQsoFile] = kFreshBadQsoFile;
}

// The bad-QSO file's finding lines, without the header.
inline std::string FindingLines(FakeFileStore& files) {
    const std::string& text = files.files[kTestBadQsoFile];
    auto end = text.find("\r\n");
    return end == std::string::npos ? std::string() : text.substr(end + 2);
}
