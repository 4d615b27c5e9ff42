#include "TestDevices.h"

namespace fw::test {

std::vector<routersim::Outgoing> QqOnlyDevice::receive(const routersim::Incoming& datagram, std::uint32_t) {
    if (datagram.local_port != 9 || datagram.bytes.size() < 2 || datagram.bytes[0] != 'Q' || datagram.bytes[1] != 'Q')
        return {};
    return {{{'Q', 'Q', 0}, datagram.from_address, datagram.from_port, 9}};
}

std::vector<routersim::Outgoing> FixedReplyDevice::receive(const routersim::Incoming& datagram, std::uint32_t) {
    if (datagram.local_port != port_) return {};
    return {{reply_, datagram.from_address, datagram.from_port, port_}};
}

}  // namespace fw::test
