#include "server/lost_link_requests.h"

#include <algorithm>
#include <cctype>
#include <map>

bool LostLinkThrottle::fits(std::unordered_map<std::string, Times>& counts, const std::string& key, int limit,
                            std::int64_t now) {
    const auto found = counts.find(key);
    if (found == counts.end()) return limit > 0;
    Times& times = found->second;
    while (!times.empty() && times.front() <= now - m_limits.windowSeconds) times.pop_front();
    return static_cast<int>(times.size()) < limit;
}

void LostLinkThrottle::forgetOld(std::int64_t now) {
    for (auto* counts : {&m_byCall, &m_byClient})
        std::erase_if(*counts, [&](const auto& entry) {
            return entry.second.empty() || entry.second.back() <= now - m_limits.windowSeconds;
        });
}

bool LostLinkThrottle::allow(const std::string& call, const std::string& clientAddress, std::int64_t now) {
    std::lock_guard lock(m_mutex);
    if (m_byCall.size() + m_byClient.size() >= m_limits.maxTracked) forgetOld(now);
    const bool room = m_byCall.size() + 1 < m_limits.maxTracked && m_byClient.size() + 1 < m_limits.maxTracked;
    // A client over its limit is not counted against the call, so it cannot lock a call's owner out.
    if (!room || !fits(m_byClient, clientAddress, m_limits.perClient, now)) return false;
    m_byClient[clientAddress].push_back(now);
    if (!fits(m_byCall, call, m_limits.perCall, now)) return false;
    m_byCall[call].push_back(now);
    return true;
}

std::string NormalizedCall(std::string_view field) {
    std::string call;
    for (const char c : field) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isspace(u)) continue;
        if (!std::isalnum(u) && c != '/') return {};
        call += static_cast<char>(std::toupper(u));
        if (call.size() > 20) return {};
    }
    return call;
}

LostLinkAnswer HandleLostLinkRequest(
    std::string_view callField, const std::string& clientAddress, std::int64_t now, LostLinkThrottle& throttle,
    const std::function<std::vector<ReceiptOnFile>(const std::string& call)>& receiptsOf,
    const std::function<void(const std::string& call, const std::string& email, const std::vector<ReceiptOnFile>&)>&
        sendLinks) {
    const std::string call = NormalizedCall(callField);
    if (!throttle.allow(call, clientAddress, now)) return LostLinkAnswer::tryLater;
    if (call.empty()) return LostLinkAnswer::sentIfKnown;
    std::map<std::string, std::vector<ReceiptOnFile>> byEmail;
    for (ReceiptOnFile& receipt : receiptsOf(call))
        if (!receipt.email.empty()) byEmail[receipt.email].push_back(std::move(receipt));
    for (auto& [email, receipts] : byEmail) {
        std::sort(receipts.begin(), receipts.end(),
                  [](const ReceiptOnFile& a, const ReceiptOnFile& b) { return a.receivedAt < b.receivedAt; });
        sendLinks(call, email, receipts);
    }
    return LostLinkAnswer::sentIfKnown;
}
