#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "server/committee_gate.h"
#include "server/committee_pages.h"
#include "server/contest_setup.h"
#include "server/crosscheck_job.h"
#include "server/log_files.h"
#include "server/log_ownership.h"
#include "server/mail_worker.h"
#include "server/member_accounts.h"
#include "server/rate_limit.h"
#include "server/site_pages.h"
#include "server/site_store.h"

// The member the site makes first, and the one a login without a member's name means.
inline constexpr const char* kFirstMember = "committee";

// The committee's side of the site: its sessions, API tokens and CSRF checks, the committee page,
// and its routes (committee_desk_routes.cpp), apart from the participants' routes of site_server.cpp.
class CommitteeDesk {
public:
    // What the desk uses of the site; each part outlives the desk.
    struct Parts {
        SiteStore& store;
        const LogFiles& files;
        CrossCheckJob& job;
        LogOwnership& ownership;
        MemberAccounts& accounts;
        RateLimiter& loginLimiter;
        std::string sessionCookie;
        std::int64_t sessionSeconds = 0;
        std::function<ContestView()> contestView;
        std::function<std::string(const httplib::Request&)> clientAddress;
        std::function<bool(const httplib::Request&)> overTls;
        std::function<bool()> receivedShowsCounts;
        std::function<void(std::int64_t runId, const std::string& name, httplib::Response&)> serveRunFile;
        std::function<MailWorker*()> mailWorker;  // null: the site was started without a mail relay
        ContestSetup& setup;
        std::string contestName;
        std::string mailFrom;  // the address the site's mail comes from
    };

    explicit CommitteeDesk(Parts parts) : m(std::move(parts)) {}
    CommitteeDesk(const CommitteeDesk&) = delete;
    CommitteeDesk& operator=(const CommitteeDesk&) = delete;

    // Every /committee... and /api/committee... route.
    void addRoutes(httplib::Server& http);

private:
    using Member = CommitteeMember;

    std::string who(const std::string& user, const httplib::Request& req) const;
    std::optional<Member> sessionMember(const httplib::Request& req);
    std::optional<Member> bearerMember(const httplib::Request& req);
    bool csrfOk(const httplib::Request& req, const Member& member);
    bool passwordOk(const std::string& user, const std::string& password);
    std::optional<Member> committeePage(const httplib::Request& req, httplib::Response& res, bool isPost);
    std::optional<Member> committeeApi(const httplib::Request& req, httplib::Response& res);
    void showCommittee(const httplib::Request& req, const Member& member, httplib::Response& res,
                       const std::string& notice = {});
    void backToCommittee(httplib::Response& res);
    std::string makeApiToken(const std::string& user, std::int64_t days, const httplib::Request& req);
    CommitteeGate gate();
    std::string mailStateHtml(Language language);

    SubmissionsView submissionsView(const httplib::Request& req, bool wholeResult);
    std::vector<std::pair<std::string, std::string>> categoryChoices(Language language);
    void showMail(const httplib::Request& req, httplib::Response& res, const Member& member,
                  const std::string& notice);
    void showMessageForm(httplib::Response& res, const Member& member, Language language,
                         MessageFormView view);
    void showContestSetup(httplib::Response& res, const Member& member, Language language,
                          const std::string& error, const std::string& start, const std::string& end,
                          const std::string& tableJson);
    void wakeMail();
    void addSearchRoutes(httplib::Server& http);
    void addMailRoutes(httplib::Server& http);
    void addMailApi(httplib::Server& http);
    void addContestRoutes(httplib::Server& http);

    std::optional<MatchRules> rulesOf(const std::function<std::string(const char*)>& value,
                                      std::string& error);
    std::optional<std::int64_t> parseDeadline(const std::string& text, std::string& error);
    void moveDeadline(std::int64_t when, const std::string& by);
    void setReopened(bool open, const std::string& by);
    std::optional<std::int64_t> publish(std::int64_t runId, const std::string& by);
    nlohmann::json runJson(const CrossCheckRecord& run);

    Parts m;
    std::mutex m_passwordMutex;
};
