#pragma once

#include <cstdint>

#include "platform/net/Pinger.h"

namespace fw {

// One ICMP echo per Ping. It tries an unprivileged ICMP datagram socket first
// (allowed by net.ipv4.ping_group_range) and falls back to a raw socket
// (needs CAP_NET_RAW). When neither can be opened it says so once per
// process on stderr and reports no reply.
class PosixPinger final : public Pinger {
public:
    int Ping() override;

private:
    // Starts from the clock so that a late reply to another pinger's request
    // is unlikely to carry the sequence number awaited here.
    static std::uint16_t first_sequence();

    std::uint16_t sequence_ = first_sequence();
};

}  // namespace fw
