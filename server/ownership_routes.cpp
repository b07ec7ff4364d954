#include <nlohmann/json.hpp>

#include "server/check_json.h"
#include "server/committee_pages.h"
#include "server/committee_routes.h"
#include "server/http_replies.h"
#include "server/ownership_pages.h"

using nlohmann::json;

namespace {

enum class Decision { accept, reject, restore };

std::optional<Decision> DecisionOf(const std::string& name) {
    if (name == "accept") return Decision::accept;
    if (name == "reject") return Decision::reject;
    if (name == "restore") return Decision::restore;
    return std::nullopt;
}

bool Decide(LogOwnership& ownership, Decision decision, std::int64_t id, const std::string& who) {
    switch (decision) {
        case Decision::accept: return ownership.accept(id, who);
        case Decision::reject: return ownership.reject(id, who);
        case Decision::restore: return ownership.restore(id, who);
    }
    return false;
}

const char* DecisionRefusal(Decision decision) {
    switch (decision) {
        case Decision::accept: return "only a pending upload can be accepted";
        case Decision::reject: return "only a pending upload can be rejected";
        case Decision::restore: return "only a replaced or rejected upload can be restored";
    }
    return "";
}

const char* DecisionRefusalKey(Decision decision) {
    switch (decision) {
        case Decision::accept: return "desk.history.only_pending_accepted";
        case Decision::reject: return "desk.history.only_pending_rejected";
        case Decision::restore: return "desk.history.only_earlier_restored";
    }
    return "";
}

json SubmissionStateJson(const Submission& s) {
    return {{"submission", s.id},
            {"call", s.call},
            {"state", SubmissionStateName(s.state)},
            {"receivedAt", s.receivedAt},
            {"address", s.address},
            {"qsos", s.qsosRead},
            {"claimedScore", s.claimedScore},
            {"replacedBy", s.replacedBy ? json(*s.replacedBy) : json(nullptr)}};
}

}  // namespace

void AddOwnershipRoutes(httplib::Server& http, SiteStore& store, LogOwnership& ownership, const CommitteeGate& gate) {
    http.Get(R"(/committee/submissions/(\d+))", [&store, &ownership, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, false);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        auto submission = id ? store.submission(*id) : std::nullopt;
        if (!submission) return SendHtml(res, 404, DeskMessagePage(req, "desk.history.not_found_title", "desk.history.not_found"));
        CallHistoryView view{*submission, CheckOfJson(submission->checkJson), store.historyOf(submission->call),
                             ownership.actionsOn(submission->call), ownership.standing(submission->call), member->csrf};
        SendHtml(res, 200, CallHistoryPage(view, PageLanguage(req)));
    });
    http.Post(R"(/committee/submissions/(\d+)/(accept|reject|restore))",
              [&ownership, gate](const httplib::Request& req, httplib::Response& res) {
                  auto member = gate.page(req, res, true);
                  if (!member) return;
                  const auto decision = DecisionOf(req.matches[2]);
                  auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
                  if (!id || !Decide(ownership, *decision, *id, gate.who(member->user, req)))
                      return SendHtml(res, 409, DeskMessagePage(req, "desk.history.not_done_title", DecisionRefusalKey(*decision)));
                  res.set_redirect("/committee/submissions/" + std::to_string(*id), 303);
              });
    http.Post(R"(/committee/submissions/(\d+)/standing)", [&store, &ownership, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.page(req, res, true);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        auto submission = id ? store.submission(*id) : std::nullopt;
        const auto standing = CallStandingOf(Field(req, "standing"));
        if (!submission || !standing)
            return SendHtml(res, 400, DeskMessagePage(req, "desk.history.not_done_title", "desk.history.no_rating"));
        ownership.setStanding(submission->call, *standing, Field(req, "reason").substr(0, 500), gate.who(member->user, req));
        res.set_redirect("/committee/submissions/" + std::to_string(*id), 303);
    });

    http.Get("/api/committee/pending", [&ownership, gate](const httplib::Request& req, httplib::Response& res) {
        if (!gate.api(req, res)) return;
        json list = json::array();
        for (const Submission& s : ownership.pending()) list.push_back(SubmissionStateJson(s));
        SendJson(res, 200, {{"pending", list}});
    });
    http.Get(R"(/api/committee/submissions/(\d+)/history)", [&store, &ownership, gate](const httplib::Request& req, httplib::Response& res) {
        if (!gate.api(req, res)) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        auto submission = id ? store.submission(*id) : std::nullopt;
        if (!submission) return SendJson(res, 404, {{"error", "no such submission"}});
        json uploads = json::array(), actions = json::array();
        for (const Submission& s : store.historyOf(submission->call)) uploads.push_back(SubmissionStateJson(s));
        for (const AuditEntry& entry : ownership.actionsOn(submission->call))
            actions.push_back({{"at", entry.at}, {"who", entry.who}, {"action", entry.action}, {"detail", entry.detail}});
        SendJson(res, 200, {{"call", submission->call},
                            {"standing", CallStandingName(ownership.standing(submission->call))},
                            {"uploads", uploads},
                            {"actions", actions}});
    });
    http.Post(R"(/api/committee/submissions/(\d+)/(accept|reject|restore))",
              [&store, &ownership, gate](const httplib::Request& req, httplib::Response& res) {
                  auto member = gate.api(req, res);
                  if (!member) return;
                  const auto decision = DecisionOf(req.matches[2]);
                  auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
                  if (!id || !store.submission(*id)) return SendJson(res, 404, {{"error", "no such submission"}});
                  if (!Decide(ownership, *decision, *id, gate.who(member->user, req)))
                      return SendJson(res, 409, {{"error", DecisionRefusal(*decision)}});
                  SendJson(res, 200, SubmissionStateJson(*store.submission(*id)));
              });
    http.Post(R"(/api/committee/submissions/(\d+)/standing)", [&store, &ownership, gate](const httplib::Request& req, httplib::Response& res) {
        auto member = gate.api(req, res);
        if (!member) return;
        auto id = ParseNumber(req.matches[1], 1, INT64_MAX);
        auto submission = id ? store.submission(*id) : std::nullopt;
        if (!submission) return SendJson(res, 404, {{"error", "no such submission"}});
        const json body = JsonBody(req);
        const auto text = [&](const char* name) {
            return body.is_object() && body.contains(name) && body[name].is_string() ? body[name].get<std::string>() : std::string();
        };
        const auto standing = CallStandingOf(text("standing"));
        if (!standing) return SendJson(res, 400, {{"error", "standing is one of \"scored\", \"check log\", \"disqualified\""}});
        ownership.setStanding(submission->call, *standing, text("reason").substr(0, 500), gate.who(member->user, req));
        SendJson(res, 200, {{"call", submission->call}, {"standing", CallStandingName(*standing)}});
    });
}
