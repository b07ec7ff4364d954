#include <gtest/gtest.h>

#include <map>

#include "server/lost_link_requests.h"

namespace {

constexpr std::int64_t kNow = 1494018000;

struct Site {
    std::map<std::string, std::vector<ReceiptOnFile>> receipts = {
        {"UR5ZZ",
         {{"ur5zz@example.org", "https://zelk.example.org/receipt/b", 7, kNow - 50},
          {"other@example.org", "https://zelk.example.org/receipt/c", 9, kNow - 10},
          {"ur5zz@example.org", "https://zelk.example.org/receipt/a", 3, kNow - 100}}},
        {"UT1AA", {{"", "https://zelk.example.org/receipt/d", 4, kNow - 10}}},
    };
    std::vector<std::string> lookedUp;
    std::vector<std::pair<std::string, std::vector<std::int64_t>>> sent;  // address, receipt numbers

    LostLinkAnswer ask(LostLinkThrottle& throttle, std::string_view call, const std::string& client,
                       std::int64_t now = kNow) {
        return HandleLostLinkRequest(
            call, client, now, throttle,
            [&](const std::string& c) {
                lookedUp.push_back(c);
                const auto found = receipts.find(c);
                return found == receipts.end() ? std::vector<ReceiptOnFile>{} : found->second;
            },
            [&](const std::string&, const std::string& email, const std::vector<ReceiptOnFile>& list) {
                std::vector<std::int64_t> numbers;
                for (const auto& r : list) numbers.push_back(r.number);
                sent.push_back({email, numbers});
            });
    }
};

}  // namespace

TEST(LostLinkRequest, EachAddressOnFileGetsTheLinksOfItsOwnUploads) {
    Site site;
    LostLinkThrottle throttle;
    EXPECT_EQ(site.ask(throttle, " ur5zz ", "192.0.2.1"), LostLinkAnswer::sentIfKnown);
    const std::vector<std::pair<std::string, std::vector<std::int64_t>>> expected = {
        {"other@example.org", {9}}, {"ur5zz@example.org", {3, 7}}};
    EXPECT_EQ(site.sent, expected);
}

// The answer is the same whether or not the call sent logs, and so is the counting.
TEST(LostLinkRequest, AnswerSaysNothingOfTheCall) {
    Site site;
    LostLinkLimits limits;
    limits.perCall = 2;
    LostLinkThrottle throttle(limits);
    const std::vector<std::pair<std::string, LostLinkAnswer>> requests = {
        {"UR5ZZ", LostLinkAnswer::sentIfKnown}, {"UR9XX", LostLinkAnswer::sentIfKnown},
        {"UR5ZZ", LostLinkAnswer::sentIfKnown}, {"UR9XX", LostLinkAnswer::sentIfKnown},
        {"UR5ZZ", LostLinkAnswer::tryLater},    {"UR9XX", LostLinkAnswer::tryLater},
        {"UT1AA", LostLinkAnswer::sentIfKnown},  // logs without an address: nothing to send, same answer
        {"not a call!", LostLinkAnswer::sentIfKnown},
    };
    int client = 0;
    for (const auto& [call, answer] : requests)
        EXPECT_EQ(site.ask(throttle, call, "192.0.2." + std::to_string(++client)), answer) << call;
    EXPECT_EQ(site.sent.size(), 4u);  // two requests for UR5ZZ, two addresses each
}

TEST(LostLinkRequest, ThrottlesPerClientAndForgetsAfterTheWindow) {
    Site site;
    LostLinkLimits limits;
    limits.perClient = 3;
    limits.perCall = 100;
    LostLinkThrottle throttle(limits);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(site.ask(throttle, "UR" + std::to_string(i) + "AA", "192.0.2.1"), LostLinkAnswer::sentIfKnown);
    EXPECT_EQ(site.ask(throttle, "UR5ZZ", "192.0.2.1"), LostLinkAnswer::tryLater);
    EXPECT_TRUE(site.sent.empty());
    // The throttled client did not use up the call's own allowance.
    EXPECT_EQ(site.ask(throttle, "UR5ZZ", "192.0.2.2"), LostLinkAnswer::sentIfKnown);
    EXPECT_EQ(site.ask(throttle, "UR5ZZ", "192.0.2.1", kNow + 3599), LostLinkAnswer::tryLater);
    EXPECT_EQ(site.ask(throttle, "UR5ZZ", "192.0.2.1", kNow + 3600), LostLinkAnswer::sentIfKnown);
}

// Memory stays bounded: a flood of calls from many addresses fills the table, old entries go.
TEST(LostLinkRequest, RemembersABoundedNumberOfCallsAndClients) {
    LostLinkLimits limits;
    limits.maxTracked = 100;
    LostLinkThrottle throttle(limits);
    int allowed = 0;
    for (int i = 0; i < 1000; ++i) allowed += throttle.allow("C" + std::to_string(i), "10.0.0." + std::to_string(i), kNow);
    EXPECT_LT(allowed, 100);
    EXPECT_TRUE(throttle.allow("UR5ZZ", "192.0.2.1", kNow + limits.windowSeconds)) << "old entries were not forgotten";
}

TEST(LostLinkRequest, NormalizesTheCallField) {
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"ur5zz", "UR5ZZ"}, {" UR5ZZ/P ", "UR5ZZ/P"}, {"", ""}, {"UR5ZZ'; --", ""},
        {std::string(21, 'A'), ""}, {"\xca\xe8", ""}};
    for (const auto& [field, call] : fields) EXPECT_EQ(NormalizedCall(field), call) << field;
}
