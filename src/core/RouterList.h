#pragma once

#include <cstdint>
#include <string>

namespace fw {

// One device found on the network.
struct router_info {
    std::int32_t status = 0;  // device state code, -5 to 4
    std::string address;      // dotted IPv4 address text
    std::string module;       // module name; for a recovery loader its reply text
    std::string detail;       // a further reply text, kept but never read
};

// The device table: records 0 to count-1 are in use.
struct router_list {
    static constexpr int kCapacity = 64;
    router_info info[kCapacity];
    std::int32_t count = 0;
};

}  // namespace fw
