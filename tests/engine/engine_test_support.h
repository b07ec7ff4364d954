#pragma once

#include <string>

#include "engine/bad_qso_file.h"
#include "engine/contest_state.h"
#include "engine/qso_input.h"
#include "support/fakes.h"

// A QSO whose texts the test owns; input() lends them to the engine.
struct TestQso {
    std::string myCall = "UR5AA";
    std::string call = "UR1AB";
    OleDateTime time = MakeOleDate(2017, 5, 6, 14, 5);
    unsigned frequencyHz = 3520000;
    std::string mode = "CW";
    std::string rstSent = "599";
    std::string rstReceived = "579";
    std::string exchSent = "001";
    std::string exchReceived = "KV05";
    std::string country = "UR";
    std::string extra = "x";
    std::string band = "80m";

    QsoInput input() const {
        QsoInput qso;
        qso.myCall = myCall;
        qso.call = call;
        qso.time = time;
        qso.frequencyHz = frequencyHz;
        qso.mode = mode;
        qso.rstSent = rstSent;
        qso.rstReceived = rstReceived;
        qso.exchSent = exchSent;
        qso.exchReceived = exchReceived;
        qso.country = country;
        qso.extra = extra;
        qso.band = band;
        return qso;
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
