#include "memnet/MemoryPinger.h"

#include <algorithm>

#include "memnet/MemoryNetwork.h"
#include "platform/net/posix/Ipv4Address.h"

namespace memnet {

int MemoryPinger::Ping() {
    fw::Ipv4Address::parse(address(), 0);
    network_.record_ping(address());
    if (network_.answers_ping(address())) {
        network_.clock().sleep_ms(std::min<std::uint32_t>(network_.ping_rtt_ms(), std::max(0, timeout())));
        return 1;
    }
    network_.clock().sleep_ms(static_cast<std::uint32_t>(std::max(0, timeout())));
    return 0;
}

}  // namespace memnet
