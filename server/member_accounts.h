#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/site_store.h"

struct MemberRecord {
    std::string user;
    std::int64_t createdAt = 0;  // 0: made before the site kept the date
};

struct ApiTokenRecord {
    std::int64_t id = 0;  // the number the committee revokes it by; the secret is never kept
    std::string user;
    std::int64_t createdAt = 0;
    std::int64_t expiresAt = 0;
};

// The committee's members, their passwords (argon2id hashes) and API tokens. A member removed or
// whose password changes loses every session at once; a removed member's tokens go too.
class MemberAccounts {
public:
    explicit MemberAccounts(SiteStore& store) : m_store(store) {}

    static constexpr std::int64_t kDefaultTokenDays = 30;
    static constexpr std::int64_t kLongestTokenDays = 366;
    static constexpr std::size_t kShortestPassword = 10;
    static constexpr std::size_t kLongestPassword = 1024;

    std::vector<MemberRecord> members();  // in name order
    // False when the member exists already.
    bool add(const std::string& user, const std::string& passwordHash, const std::string& who);
    // False when there is no such member or it is the last one (the site would have no committee).
    bool remove(const std::string& user, const std::string& who);
    // False when there is no such member. Ends all the member's sessions.
    bool setPassword(const std::string& user, const std::string& passwordHash, const std::string& who);

    std::vector<ApiTokenRecord> tokens(std::int64_t now);  // the live ones, newest first
    bool revokeToken(std::int64_t id, const std::string& who);

private:
    SiteStore& m_store;
};

// Why a member name or password cannot be used; empty when it can.
std::string MemberNameProblem(const std::string& user);
std::string PasswordProblem(const std::string& password);

// A token's life in days as a form or body gives it: empty means the default.
std::optional<std::int64_t> TokenDaysOf(const std::string& text);
std::string TokenDaysProblem();
