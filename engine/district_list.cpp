#include "engine/district_list.h"

#include <algorithm>

#include "engine/file_store.h"

bool DistrictList::CodeOfLine(std::string_view line, std::string& code) {
    auto dash = line.find('-');
    if (dash == std::string_view::npos || dash == 0) return false;
    std::string_view head = line.substr(0, 5);
    // A line of two or three characters overlaps its first two and last two characters.
    code.assign(head.substr(0, 2));
    code.append(head.substr(head.size() - std::min<std::size_t>(2, head.size())));
    return true;
}

void DistrictList::load(const std::string* fileText) {
    m_codes.clear();
    m_lookup.clear();
    m_loaded = fileText != nullptr;
    if (!fileText) return;
    std::string code;
    ForEachLine(*fileText, [&](std::string_view line) {
        if (!CodeOfLine(line, code)) return;
        m_codes.push_back(code);
        m_lookup.insert(code);
    });
}

bool DistrictList::isKnownDistrict(std::string_view code) const {
    return m_lookup.count(std::string(code)) != 0;
}

bool homeStation(std::string_view countryPrefix) {
    constexpr std::string_view kHomePrefixes[] = {"UA", "UA2", "UA2/f", "UA9", "CE9/KC4", "UR", "UN", "EU"};
    return std::find(std::begin(kHomePrefixes), std::end(kHomePrefixes), countryPrefix) !=
           std::end(kHomePrefixes);
}
