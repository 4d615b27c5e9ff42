#pragma once

#include <cstdint>
#include <string>

namespace fw {

// Up to 32 IPv4 addresses of this computer, as dotted texts.
struct IP_List {
    static constexpr int kCapacity = 32;
    std::string address[kCapacity];
    std::int32_t count = 0;
};

}  // namespace fw
