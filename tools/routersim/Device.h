#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "routersim/Datagram.h"

namespace routersim {

// A simulated device on a network. It owns no sockets: the host (the routersim
// process or the in-memory network) hands it each datagram with the time of
// its own clock and sends whatever it answers. Times are milliseconds that
// wrap at 2^32; only differences are used.
class Device {
public:
    virtual ~Device() = default;

    virtual std::vector<Outgoing> receive(const Incoming& datagram, std::uint32_t now_ms) = 0;
    // Whether an ICMP echo request to the device would be answered now.
    virtual bool answers_ping(std::uint32_t now_ms) const = 0;
    // Every UDP port the device may ever receive on or send from.
    virtual std::vector<int> ports() const = 0;
    // A short name for logs: "normal" or "loader".
    virtual std::string kind() const = 0;
};

}  // namespace routersim
