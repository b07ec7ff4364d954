#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/platform.h"
#include "engine/qso_log.h"

// What the call check looks at. The band texts keep whether the host gave them: the agreement
// test applies only when both are given.
struct CallCheckQuery {
    std::string_view call;
    std::string_view mode;
    std::string_view country;
    std::optional<std::string_view> band;
    std::optional<std::string_view> band2;
};

// The call check's answers.
inline constexpr int kCallDuplicate = 0;
inline constexpr int kCallAccepted = 1;
inline constexpr int kCallNotValid = 4;

// Duplicate (0), no objection (1) or not valid for the contest (4). Hosts of the generation
// "2.19"/"2.20" do not know the answer 4 and get 1 instead.
int CallCheckAnswer(const QsoLog& log, std::string_view hostVersion, const CallCheckQuery& query);

// Posts a refresh to the setup window unless one is still in flight (refreshReady 0); the
// window's refresh sets refreshReady back to 1 when it is done. The flag is accessed atomically on
// both sides, so the window thread need not take the state lock to set it.
void RequestWindowRefresh(std::int32_t& refreshReady, Platform& platform);

// Whether a received exchange has the contest's form: a district code (two letters, two digits)
// from a "UR" station, a serial of three or four digits from anyone else; "599" never.
bool ExchangeIsValid(std::string_view exchange, std::string_view country);
