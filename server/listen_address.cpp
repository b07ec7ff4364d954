#include "server/listen_address.h"

#include <netdb.h>

#include <charconv>

std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string& error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        error = "--listen \"" + text + "\" is not ADDRESS:PORT (for example 127.0.0.1:8080)";
        return std::nullopt;
    }
    ListenAddress address;
    address.host = text.substr(0, colon);
    if (address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']')
        address.host = address.host.substr(1, address.host.size() - 2);
    const std::string port = text.substr(colon + 1);
    int number = -1;
    const auto [end, failure] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (failure == std::errc() && end == port.data() + port.size()) {
        if (number < 0 || number > 65535) {
            error = "--listen: port " + port + " is not between 0 and 65535";
            return std::nullopt;
        }
        address.port = number;
        return address;
    }
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(port.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found) {
        error = "--listen: \"" + port + "\" is neither a port number nor a TCP service name";
        return std::nullopt;
    }
    address.port = ntohs(static_cast<std::uint16_t>(found->s_port));
    return address;
}
