#pragma once

#include "platform/net/HostInfo.h"

namespace fw {

// Host name and interface addresses of this computer. The addresses come
// from the interfaces (getifaddrs), not from a name lookup, which on Linux
// gives a loopback alias.
class PosixHostInfo final : public HostInfo {
public:
    static constexpr std::size_t MAX_ADDRESSES = 32;

    std::string host_name() override;
    std::vector<std::string> ipv4_addresses() override;
};

}  // namespace fw
