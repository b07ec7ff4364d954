#pragma once

#include <cstdint>
#include <string>

#include "engine/ole_date.h"

// One logged QSO. Texts are stored as the host sent them unless noted.
struct CInfo {
    std::string m_call;
    std::string m_country;       // "IT9" and "IG9" are stored as "I"
    std::string m_extra;
    std::string m_band;
    std::string m_mode;
    std::string m_rstReceived;
    std::string m_rstSent;
    std::string m_exchReceived;
    std::string m_exchSent;
    std::string m_district;      // cleaned district code of an accepted "UR" exchange
    std::int32_t m_freqKHz = 0;
    std::int32_t m_notScored = 0;
    std::int32_t m_badDistrict = 0;
    std::int32_t m_dupe = 0;
    std::int32_t m_reserved = 0;
    OleDateTime m_time;
};
