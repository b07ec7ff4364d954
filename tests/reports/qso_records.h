#pragma once

#include <string>

#include "engine/cinfo.h"
#include "engine/ole_date.h"

// Records as the add function would store them, built directly for the report tests.
inline CInfo ScoredQso(std::string call, std::string band, std::string mode, std::string district = "") {
    CInfo record;
    record.m_call = std::move(call);
    record.m_band = std::move(band);
    record.m_mode = std::move(mode);
    record.m_district = std::move(district);
    record.m_country = record.m_district.empty() ? "DL" : "UR";
    record.m_freqKHz = record.m_band == "160m" ? 1830 : record.m_band == "80m" ? 3520 : 7012;
    record.m_rstSent = "599";
    record.m_rstReceived = "599";
    record.m_exchSent = "001";
    record.m_exchReceived = record.m_district.empty() ? "15" : record.m_district;
    record.m_time = MakeOleDate(2017, 5, 5, 20, 5);
    return record;
}

inline CInfo DupeQso(std::string call, std::string band, std::string mode) {
    CInfo record = ScoredQso(std::move(call), std::move(band), std::move(mode));
    record.m_notScored = 1;
    record.m_dupe = 1;
    return record;
}

inline CInfo BadDistrictQso(std::string call, std::string band, std::string mode) {
    CInfo record = ScoredQso(std::move(call), std::move(band), std::move(mode));
    record.m_country = "UR";
    record.m_exchReceived = "XX";
    record.m_notScored = 1;
    record.m_badDistrict = 1;
    return record;
}
