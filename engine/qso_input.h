#pragma once

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
