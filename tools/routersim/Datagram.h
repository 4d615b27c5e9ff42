#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace routersim {

using Bytes = std::vector<std::uint8_t>;

// A datagram that reached a simulated device.
struct Incoming {
    Bytes bytes;
    std::string from_address;
    int from_port = 0;
    int local_port = 0;  // the device's port it was sent to
};

// A datagram a simulated device sends in answer.
struct Outgoing {
    Bytes bytes;
    std::string to_address;
    int to_port = 0;
    int from_port = 0;  // the device's port it leaves from
};

}  // namespace routersim
