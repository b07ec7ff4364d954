#pragma once

#include <optional>
#include <string>

struct ListenAddress {
    std::string host;
    int port = 0;  // 0: any free port
};

// "127.0.0.1:8080", "[::1]:8080", "0.0.0.0:http" (a service name of /etc/services): the address,
// or nothing with `error` saying what is wrong.
std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string& error);
