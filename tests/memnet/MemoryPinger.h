#pragma once

#include "platform/net/Pinger.h"

namespace memnet {

class MemoryNetwork;

// Asks the in-memory network whether a device at the address answers ping.
// The clock sleeps for the round trip on a reply and for the whole time-out
// without one, as a blocking ping would.
class MemoryPinger final : public fw::Pinger {
public:
    explicit MemoryPinger(MemoryNetwork& network) : network_(network) {}
    int Ping() override;

private:
    MemoryNetwork& network_;
};

}  // namespace memnet
