#include "routersim/NormalRouter.h"

#include <algorithm>

namespace routersim {

namespace {

void put_text(Bytes& bytes, std::size_t offset, std::size_t room, const std::string& text) {
    const std::size_t n = std::min(text.size(), room);
    std::copy_n(text.begin(), n, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

Bytes NormalRouter::qd_reply() const {
    Bytes reply(QD_REPLY_SIZE, 0);
    put_text(reply, DETAIL_OFFSET, MODULE_OFFSET - DETAIL_OFFSET, options_.detail);
    put_text(reply, MODULE_OFFSET, QD_REPLY_SIZE - MODULE_OFFSET, options_.module);
    reply.resize(options_.reply_length, 0);
    return reply;
}

std::vector<Outgoing> NormalRouter::receive(const Incoming& datagram, std::uint32_t) {
    if (datagram.local_port != PROBE_PORT || datagram.bytes.size() < 2 || datagram.bytes[0] != 'Q')
        return {};
    Bytes reply;
    if (datagram.bytes[1] == 'D') {
        reply = qd_reply();
    } else if (datagram.bytes[1] == 'Q') {
        // The tool only looks at who answered; the module name helps a person reading a capture.
        reply = {'Q', 'Q', 0, 0};
        reply.insert(reply.end(), options_.module.begin(), options_.module.end());
        reply.push_back(0);
    } else {
        return {};
    }
    ++queries_answered_;
    std::vector<Outgoing> out;
    for (int i = 0; i < options_.answers; ++i)
        out.push_back({reply, datagram.from_address, datagram.from_port, PROBE_PORT});
    return out;
}

}  // namespace routersim
