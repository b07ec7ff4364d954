#include "engine/call_check.h"

#include <algorithm>
#include <atomic>

#include "engine/contest_rules.h"

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int CallCheckAnswer(const QsoLog& log, std::string_view hostVersion, const CallCheckQuery& query) {
    const int rejection = (hostVersion == "2.19" || hostVersion == "2.20") ? kCallAccepted : kCallNotValid;
    const std::string_view band = query.band.value_or(std::string_view{});

    if (query.band && query.band2 && !EqualsIgnoringCase(*query.band, *query.band2)) return rejection;
    if (!g_bandList.contains(band)) return rejection;
    if (!g_modeList.contains(query.mode)) return rejection;
    if (query.country.empty()) return kCallAccepted;
    return log.countMatching(query.call, band, query.mode) != 0 ? kCallDuplicate : kCallAccepted;
}

void RequestWindowRefresh(std::int32_t& refreshReady, Platform& platform) {
    if (!platform.setupWindowOpen()) return;
    // The window thread sets the flag back without the state lock.
    if (std::atomic_ref<std::int32_t>(refreshReady).exchange(0) == 0) {
        platform.refreshRequestedWhileBusy();
        return;
    }
    platform.postRefresh();
}

bool ExchangeIsValid(std::string_view exchange, std::string_view country) {
    if (exchange == "599") return false;
    if (country == "UR")
        return exchange.size() == 4 && IsAsciiLetter(exchange[0]) && IsAsciiLetter(exchange[1]) &&
               IsAsciiDigit(exchange[2]) && IsAsciiDigit(exchange[3]);
    return (exchange.size() == 3 || exchange.size() == 4) &&
           std::all_of(exchange.begin(), exchange.end(), IsAsciiDigit);
}
