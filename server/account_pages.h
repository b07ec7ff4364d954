#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/member_accounts.h"
#include "server/text_catalog.h"

// The committee page's sections on accounts: the members (add, remove), the own password, the API
// tokens (make with a life in days, list, revoke). Every text escaped; every form carries the CSRF token.
std::string AccountSectionsHtml(const std::vector<MemberRecord>& members, const std::vector<ApiTokenRecord>& tokens,
                                const std::string& self, const std::string& csrf, Language language);
