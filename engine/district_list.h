#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/platform.h"

// The district codes that "UR" stations may send, loaded from the district file at every reset.
class DistrictList {
public:
    // Replaces the list with the codes of the file's text; a missing file (nullptr) leaves the
    // list empty and not loaded.
    void load(const std::string* fileText);

    bool loaded() const { return m_loaded; }
    const std::vector<std::string>& codes() const { return m_codes; }

    // Exact, case-sensitive membership; the caller cleans the code first.
    bool isKnownDistrict(std::string_view code) const;

    // How received codes are upper-cased before the test; kept when the list is reloaded.
    UpperCaseText upperCase() const { return m_upperCase; }
    void setUpperCase(UpperCaseText upperCase) { m_upperCase = upperCase; }

    // The code of one line: the first two and the last two of its first five characters, or
    // nothing when the line has no "-" or starts with it.
    static bool CodeOfLine(std::string_view line, std::string& code);

private:
    std::vector<std::string> m_codes;
    std::unordered_set<std::string> m_lookup;
    bool m_loaded = false;
    UpperCaseText m_upperCase = AsciiUpperCase;
};

constexpr const char* kDistrictFilePath = ".\\Plugins\\zelk.txt";

// Own stations that get the Russian-language windows.
bool homeStation(std::string_view countryPrefix);
