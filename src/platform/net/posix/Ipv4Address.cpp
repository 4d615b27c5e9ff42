#include "platform/net/posix/Ipv4Address.h"

#include <arpa/inet.h>

#include <charconv>

#include "platform/runtime/Exception.h"

namespace fw {

sockaddr_in Ipv4Address::parse(const std::string& text, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
        throw ESocketError("Cannot use \"" + text + "\" as an IPv4 address");
    return address;
}

std::string Ipv4Address::text(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

int Ipv4Address::parse_port(const std::string& text) {
    int port = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, port);
    if (text.empty() || ec != std::errc() || ptr != end || port < 1 || port > 65535)
        throw ESocketError("Cannot use \"" + text + "\" as a UDP port");
    return port;
}

}  // namespace fw
