#pragma once

#include <string>
#include <string_view>

#include "engine/ole_date.h"

// One QSO as the host hands it to the add and remove calls (a null text arrives as empty).
struct QsoInput {
    std::string_view myCall;
    std::string_view call;
    OleDateTime time;
    unsigned frequencyHz = 0;
    std::string_view mode;
    std::string_view rstSent;
    std::string_view rstReceived;
    std::string_view exchSent;
    std::string_view exchReceived;
    std::string_view country;
    std::string_view extra;
    std::string_view band;
};

// A QSO that owns its texts (read from a file, or made by a test); input() lends them to the add
// and remove calls.
struct QsoTexts {
    std::string myCall;
    std::string call;
    OleDateTime time;
    unsigned frequencyHz = 0;
    std::string mode;
    std::string rstSent;
    std::string rstReceived;
    std::string exchSent;
    std::string exchReceived;
    std::string country;
    std::string extra;
    std::string band;

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
