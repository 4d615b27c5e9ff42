#include "FuzzReplyDevice.h"

namespace fuzz {

std::vector<routersim::Outgoing> FuzzReplyDevice::receive(const routersim::Incoming& datagram, std::uint32_t) {
    Query query = QueryCount;
    if (datagram.local_port == 69)
        query = VN;
    else if (datagram.local_port == 9 && datagram.bytes.size() >= 2 && datagram.bytes[0] == 'Q')
        query = datagram.bytes[1] == 'D' ? QD : QQ;
    if (query == QueryCount) return {};

    const FuzzAnswer& answer = answers_[query];
    std::vector<routersim::Outgoing> out;
    for (const routersim::Bytes& bytes : answer.datagrams)
        out.push_back({bytes, datagram.from_address, datagram.from_port, answer.from_port});
    return out;
}

}  // namespace fuzz
