#pragma once

#include "platform/net/HostInfo.h"

namespace memnet {

// This computer as a test describes it.
class MemoryHostInfo final : public fw::HostInfo {
public:
    std::string host_name() override { return host_name_; }
    std::vector<std::string> ipv4_addresses() override { return addresses_; }

    void set_host_name(std::string name) { host_name_ = std::move(name); }
    void set_addresses(std::vector<std::string> addresses) { addresses_ = std::move(addresses); }
    const std::vector<std::string>& addresses() const { return addresses_; }

private:
    std::string host_name_ = "fw-test-pc";
    std::vector<std::string> addresses_{"192.168.0.100"};
};

}  // namespace memnet
