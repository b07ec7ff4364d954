#include "server/member_command.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>

#include "server/member_accounts.h"
#include "server/secrets.h"
#include "server/site_store.h"

namespace {

constexpr const char* kWho = "zelk-server member (command line)";

// The password from the first line of standard input, or a fresh one printed for the operator.
std::string PasswordFor(const std::string& user, bool fromStdin) {
    if (!fromStdin) {
        const std::string password = RandomToken(12);
        std::cout << "password of " << user << ": " << password << std::endl;
        return password;
    }
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

}  // namespace

int RunMemberCommand(int argc, char** argv) {
    CLI::App app("The committee's members of the log-submission site: each logs in with its own password.",
                 "zelk-server member");
    std::string dataDir, user;
    bool fromStdin = false;
    app.add_option("--data", dataDir, "The site's data folder")->required()->option_text("DIR");
    app.require_subcommand(1);
    auto* list = app.add_subcommand("list", "List the members");
    auto* add = app.add_subcommand("add", "Add a member (a password is made and printed unless --password-stdin)");
    auto* remove = app.add_subcommand("remove", "Remove a member: its sessions and API tokens end");
    auto* password = app.add_subcommand("password", "Set a member's password: all its sessions end");
    for (CLI::App* command : {add, remove, password})
        command->add_option("member", user, "The member's name")->required();
    for (CLI::App* command : {add, password})
        command->add_flag("--password-stdin", fromStdin, "Read the password from the first line of standard input");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    try {
        StartSodium();
        std::filesystem::create_directories(dataDir);
        SiteStore store(std::filesystem::path(dataDir) / "zelk-server.db");
        MemberAccounts accounts(store);
        if (list->parsed()) {
            for (const MemberRecord& member : accounts.members()) std::cout << member.user << "\n";
            return 0;
        }
        if (remove->parsed()) {
            if (accounts.remove(user, kWho)) return std::cout << "member " << user << " removed\n", 0;
            std::cerr << "zelk-server: no member " << user << " was removed (there is none, or it is the last one)\n";
            return 1;
        }
        const std::string problem = add->parsed() ? MemberNameProblem(user) : std::string();
        if (!problem.empty()) return std::cerr << "zelk-server: " << problem << "\n", 2;
        const std::string secret = PasswordFor(user, fromStdin);
        if (const std::string weak = PasswordProblem(secret); !weak.empty())
            return std::cerr << "zelk-server: " << weak << "\n", 2;
        const bool done = add->parsed() ? accounts.add(user, HashPassword(secret), kWho)
                                        : accounts.setPassword(user, HashPassword(secret), kWho);
        if (!done) {
            std::cerr << "zelk-server: " << (add->parsed() ? "there is a member " + user + " already" : "there is no member " + user)
                      << "\n";
            return 1;
        }
        std::cout << (add->parsed() ? "member " + user + " added" : "password of " + user + " set; its sessions ended") << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "zelk-server: " << error.what() << "\n";
        return 2;
    }
}
