#pragma once

#include <netinet/in.h>

#include <string>

namespace fw {

// Conversions between dotted IPv4 texts and socket addresses.
class Ipv4Address {
public:
    // Raises ESocketError naming the text when it is not a dotted IPv4 address.
    static sockaddr_in parse(const std::string& text, int port);
    static std::string text(const in_addr& address);
    // Raises ESocketError when the text is not a decimal port from 1 to 65535.
    static int parse_port(const std::string& text);
};

}  // namespace fw
