#pragma once

#include <httplib.h>

#include <functional>
#include <optional>
#include <string>

// A committee member behind a request: from a session (with its CSRF token) or an API token.
struct CommitteeMember {
    std::string user;
    std::string csrf;  // empty for a bearer token
};

// How the site's route groups let a committee member in: each refusal is answered by the gate.
struct CommitteeGate {
    // A page or form: the session's member; a form (isPost) also needs the session's CSRF token.
    std::function<std::optional<CommitteeMember>(const httplib::Request&, httplib::Response&, bool isPost)> page;
    // The API: the member of a live bearer token.
    std::function<std::optional<CommitteeMember>(const httplib::Request&, httplib::Response&)> api;
    // "user (address)" for the record.
    std::function<std::string(const std::string& user, const httplib::Request&)> who;
    // The committee page again, with a notice (an error or a token shown once).
    std::function<void(const httplib::Request&, const CommitteeMember&, httplib::Response&, const std::string& notice)>
        showCommittee;
    // The member's password, checked one at a time (each check takes tens of megabytes).
    std::function<bool(const std::string& user, const std::string& password)> passwordOk;
};
