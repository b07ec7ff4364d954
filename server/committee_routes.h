#pragma once

#include <httplib.h>

#include "server/committee_gate.h"
#include "server/log_ownership.h"
#include "server/member_accounts.h"

// The committee's decisions on a call's uploads: accept, reject, restore, rate the call; pages and API.
void AddOwnershipRoutes(httplib::Server& http, SiteStore& store, LogOwnership& ownership, const CommitteeGate& gate);

// The committee's accounts: members added and removed, the own password changed, API tokens listed
// and revoked; pages and API.
void AddAccountRoutes(httplib::Server& http, MemberAccounts& accounts, const CommitteeGate& gate,
                      const std::string& sessionCookie);
