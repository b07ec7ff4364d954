#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/site_store.h"

// How the committee rates a call's entry. A check log is matched against the others but not ranked;
// a disqualified log is matched too (its QSOs still confirm its partners') but not ranked, and it
// stays disqualified when its sender sends a corrected log.
enum class CallStanding { scored, checkLog, disqualified };
const char* CallStandingName(CallStanding standing);  // "scored", "check log", "disqualified"
std::optional<CallStanding> CallStandingOf(const std::string& name);  // also "check", "dq"

// Who may replace a call's counted log, and the committee's decisions on a call's uploads: accept or
// reject a pending upload, restore any earlier upload, rate the call. Each decision is recorded
// with who made it, when, and what it changed, in the call's history and the committee's log.
class LogOwnership {
public:
    explicit LogOwnership(SiteStore& store) : m_store(store) {}

    // What a receipt secret sent with an upload proves about the upload's call.
    enum class Proof { none, owner, unknownReceipt, otherCall };
    struct ReceiptCheck {
        Proof proof = Proof::none;
        std::string receiptCall;  // the call the receipt is for, when known
    };
    // `secret`: the receipt link's secret as sent (or the whole "/receipt/<secret>" link); empty: none.
    // A receipt proves ownership when its upload counts or once counted; a pending or rejected
    // upload's receipt proves nothing.
    ReceiptCheck checkReceipt(const std::string& secret, const std::string& call);

    std::vector<Submission> pending();  // oldest first

    // Makes a pending upload its call's counted log; false when it is not pending.
    bool accept(std::int64_t id, const std::string& who);
    // Makes a replaced or rejected upload its call's counted log again; false when it is neither.
    bool restore(std::int64_t id, const std::string& who);
    // A pending upload set aside; false when it is not pending.
    bool reject(std::int64_t id, const std::string& who);

    CallStanding standing(const std::string& call);
    std::vector<std::pair<std::string, CallStanding>> standings();  // calls not scored, in call order
    void setStanding(const std::string& call, CallStanding standing, const std::string& reason, const std::string& who);

    std::vector<AuditEntry> actionsOn(const std::string& call);  // oldest first

private:
    bool makeCounted(std::int64_t id, bool fromPending, const std::string& who, const std::string& action);

    SiteStore& m_store;
};

// The secret of a receipt from what a participant pasted: the secret itself or the receipt link.
std::string ReceiptSecretOf(std::string text);
