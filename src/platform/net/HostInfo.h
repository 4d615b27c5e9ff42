#pragma once

#include <string>
#include <vector>

namespace fw {

// What the tool needs to know about this computer.
class HostInfo {
public:
    virtual ~HostInfo() = default;
    // The host name; empty when it cannot be read.
    virtual std::string host_name() = 0;
    // This computer's IPv4 addresses from its interfaces that are up and not
    // loopback, in interface order, as dotted texts.
    virtual std::vector<std::string> ipv4_addresses() = 0;
};

}  // namespace fw
