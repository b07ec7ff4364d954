#include "server/member_accounts.h"

#include <cctype>

std::string MemberNameProblem(const std::string& user) {
    if (user.empty() || user.size() > 32) return "a member's name has 1 to 32 characters";
    for (unsigned char c : user)
        if (!std::isalnum(c) && c != '.' && c != '-' && c != '_')
            return "a member's name has only letters, digits and . - _";
    return {};
}

std::string PasswordProblem(const std::string& password) {
    if (password.size() < MemberAccounts::kShortestPassword)
        return "a password has at least " + std::to_string(MemberAccounts::kShortestPassword) + " characters";
    if (password.size() > MemberAccounts::kLongestPassword)
        return "a password has at most " + std::to_string(MemberAccounts::kLongestPassword) + " characters";
    return {};
}

std::optional<std::int64_t> TokenDaysOf(const std::string& text) {
    if (text.empty()) return MemberAccounts::kDefaultTokenDays;
    if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const std::int64_t days = std::stoll(text);
    if (days < 1 || days > MemberAccounts::kLongestTokenDays) return std::nullopt;
    return days;
}

std::string TokenDaysProblem() {
    return "a token is valid 1 to " + std::to_string(MemberAccounts::kLongestTokenDays) + " days";
}

std::vector<MemberRecord> MemberAccounts::members() {
    return m_store.withDatabase([](Database& db) {
        Statement select = db.prepare("SELECT user, created_at FROM members ORDER BY user");
        std::vector<MemberRecord> found;
        while (select.step()) found.push_back({select.text(0), select.integer(1)});
        return found;
    });
}

bool MemberAccounts::add(const std::string& user, const std::string& passwordHash, const std::string& who) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        db.prepare("INSERT INTO members (user, password_hash, created_at) VALUES (?, ?, strftime('%s','now')) "
                   "ON CONFLICT(user) DO NOTHING")
            .bind(1, user)
            .bind(2, passwordHash)
            .run();
        if (db.changes() == 0) return false;
        InsertAudit(db, who, "member added", user);
        transaction.commit();
        return true;
    });
}

bool MemberAccounts::remove(const std::string& user, const std::string& who) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        Statement count = db.prepare("SELECT COUNT(*) FROM members");
        count.step();
        if (count.integer(0) <= 1) return false;
        db.prepare("DELETE FROM members WHERE user = ?").bind(1, user).run();
        if (db.changes() == 0) return false;
        db.prepare("DELETE FROM sessions WHERE user = ?").bind(1, user).run();
        db.prepare("DELETE FROM api_tokens WHERE user = ?").bind(1, user).run();
        InsertAudit(db, who, "member removed", user + ": its sessions and API tokens ended");
        transaction.commit();
        return true;
    });
}

bool MemberAccounts::setPassword(const std::string& user, const std::string& passwordHash, const std::string& who) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        db.prepare("UPDATE members SET password_hash = ? WHERE user = ?").bind(1, passwordHash).bind(2, user).run();
        if (db.changes() == 0) return false;
        db.prepare("DELETE FROM sessions WHERE user = ?").bind(1, user).run();
        InsertAudit(db, who, "password changed", user + ": all its sessions ended");
        transaction.commit();
        return true;
    });
}

std::vector<ApiTokenRecord> MemberAccounts::tokens(std::int64_t now) {
    return m_store.withDatabase([&](Database& db) {
        Statement select = db.prepare("SELECT t.rowid, t.user, t.created_at, t.expires_at FROM api_tokens t "
                                      "JOIN members m ON m.user = t.user WHERE t.expires_at > ? ORDER BY t.rowid DESC");
        select.bind(1, now);
        std::vector<ApiTokenRecord> found;
        while (select.step()) found.push_back({select.integer(0), select.text(1), select.integer(2), select.integer(3)});
        return found;
    });
}

bool MemberAccounts::revokeToken(std::int64_t id, const std::string& who) {
    return m_store.withDatabase([&](Database& db) {
        Transaction transaction(db);
        Statement owner = db.prepare("SELECT user FROM api_tokens WHERE rowid = ?");
        owner.bind(1, id);
        if (!owner.step()) return false;
        const std::string user = owner.text(0);
        db.prepare("DELETE FROM api_tokens WHERE rowid = ?").bind(1, id).run();
        InsertAudit(db, who, "API token revoked", "token " + std::to_string(id) + " of " + user);
        transaction.commit();
        return true;
    });
}
