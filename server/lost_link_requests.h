#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The limits of the "lost my receipt link" form.
struct LostLinkLimits {
    int perCall = 3;          // requests naming one call, per window
    int perClient = 10;       // requests from one client address, per window
    std::int64_t windowSeconds = 3600;
    std::size_t maxTracked = 100000;  // calls and addresses remembered; beyond that, requests wait
};

// Counts the form's requests in a sliding window, per call and per client address. A request is
// counted whether or not the call has logs, so a refusal says nothing about the call either.
// Safe to share between threads.
class LostLinkThrottle {
public:
    explicit LostLinkThrottle(LostLinkLimits limits = {}) : m_limits(limits) {}
    bool allow(const std::string& call, const std::string& clientAddress, std::int64_t now);

private:
    using Times = std::deque<std::int64_t>;
    bool fits(std::unordered_map<std::string, Times>& counts, const std::string& key, int limit, std::int64_t now);
    void forgetOld(std::int64_t now);

    LostLinkLimits m_limits;
    std::mutex m_mutex;
    std::unordered_map<std::string, Times> m_byCall;
    std::unordered_map<std::string, Times> m_byClient;
};

// One receipt of a call as the site has it on file.
struct ReceiptOnFile {
    std::string email;  // the address given with that upload
    std::string link;   // the full receipt link
    std::int64_t number = 0;
    std::int64_t receivedAt = 0;
};

// The only two answers the form gives: the same for a call with logs and one without.
enum class LostLinkAnswer {
    sentIfKnown,  // "if logs of this call were received, their links are on the way"
    tryLater,     // too many requests for this call or from this address
};

// The call as the form's field gave it, in the form calls are kept (upper case, no blanks);
// empty when it cannot be a call.
std::string NormalizedCall(std::string_view field);

// Handles one request of the form: counts it, and only when it is allowed looks up the call's
// receipts and hands each address on file the links of the uploads made with it (one call of
// `sendLinks` per address, receipts oldest first). The answer depends on the throttle alone.
LostLinkAnswer HandleLostLinkRequest(
    std::string_view callField, const std::string& clientAddress, std::int64_t now, LostLinkThrottle& throttle,
    const std::function<std::vector<ReceiptOnFile>(const std::string& call)>& receiptsOf,
    const std::function<void(const std::string& call, const std::string& email, const std::vector<ReceiptOnFile>&)>&
        sendLinks);
