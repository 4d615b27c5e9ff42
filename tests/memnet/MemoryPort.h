#pragma once

#include <cstdint>
#include <string>

#include "routersim/Datagram.h"

namespace memnet {

// A datagram on its way to a socket of the computer under test.
struct MemoryDatagram {
    routersim::Bytes bytes;
    std::string from_address;
    int from_port = 0;
    std::uint32_t arrival_ms = 0;  // on the network's clock
};

// A bound local port of the computer under test: where the network puts the
// datagrams addressed to it.
class MemoryPort {
public:
    virtual ~MemoryPort() = default;
    virtual void deliver(MemoryDatagram datagram) = 0;
};

}  // namespace memnet
