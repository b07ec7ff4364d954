#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "crosscheck/call_similarity.h"
#include "crosscheck/cross_log.h"

// The committee's rules, each with its default.
struct MatchRules {
    int windowSeconds = 5 * 60;  // the largest time difference of two records of one QSO
    bool bustedCalls = true;     // look for the station a wrong call was meant to be
    int nilPenalty = 0;          // QSOs' points taken for each not-in-log QSO on top of it
    bool removeUniques = false;  // uniques lose their credit too
    // The contest period in whole seconds as CrossQso keeps them, start included, end not; when
    // given, a QSO outside it is not checked and loses its credit.
    std::optional<std::pair<std::int64_t, std::int64_t>> periodSeconds;
};

// What the cross-check found for one QSO.
enum class Verdict : std::uint8_t {
    matched,         // both logs hold the QSO, exchange right
    bustedExchange,  // matched, but the exchange received is not what the other station sent
    bustedCall,      // the call logged is one slip from the station that logged the QSO
    notInLog,        // the station worked sent a log without the QSO
    unique,          // the station worked sent no log and nobody else logged it
    notCheckable,    // the station worked sent no log, but others logged it as well
    dupe,            // the same call, band and mode again, beside a matched QSO: the plug-in's finding
    rejected,  // a band or mode outside the contest, or no exchange: the plug-in rejects it, nothing to check
    outsidePeriod,  // logged before the contest's start or after its end
};

inline constexpr std::uint32_t kNoPartner = std::numeric_limits<std::uint32_t>::max();

struct QsoCheck {
    Verdict verdict = Verdict::notCheckable;
    CallSlip slip = CallSlip::none;  // for a busted call
    std::uint32_t partnerLog =
        kNoPartner;  // the other record of the QSO (matched, busted exchange, busted call)
    std::uint32_t partnerQso = kNoPartner;
};

// Whether a QSO with this verdict keeps its credit in the checked score.
bool KeepsCredit(Verdict verdict, const MatchRules& rules);

// Two exchanges are the same: serial numbers as numbers ("001" is "1"), other texts (district
// codes) without case and surrounding blanks.
bool SameExchange(std::string_view received, std::string_view sent);

// Checks every QSO of the logs against the others. Logs with a reason in `unreadable` take no
// part. Result: one verdict per QSO, by log and QSO index.
std::vector<std::vector<QsoCheck>> CrossCheck(const std::vector<CrossLog>& logs, const MatchRules& rules);
