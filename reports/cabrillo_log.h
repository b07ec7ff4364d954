#pragma once

#include <string>
#include <vector>

// Header values and QSO lines of the Cabrillo export. (Filled in by the export work.)
class CabrilloLog {
public:
    std::string m_callsign, m_name, m_address, m_claimed, m_contest, m_email, m_club, m_soapbox,
        m_operators, m_category, m_fileBaseName;
    std::vector<std::string> m_qsoLines;
};
