#include "memnet/MemoryDatagramSocket.h"

#include <algorithm>
#include <cstring>

#include "memnet/MemoryNetwork.h"
#include "platform/net/posix/Ipv4Address.h"
#include "platform/runtime/Exception.h"

namespace memnet {

void MemoryDatagramSocket::Connect() {
    if (proto_ != "udp")
        throw fw::ESocketError("Cannot use the protocol \"" + proto_ + "\"; only \"udp\" is supported");
    const int port = fw::Ipv4Address::parse_port(port_text_);
    fw::Ipv4Address::parse(address_, port);
    Close();
    local_port_ = network_.bind_port(*this, 0);
    port_ = port;
    broadcast_ = address_ == MemoryNetwork::BROADCAST;
}

int MemoryDatagramSocket::Send(const void* data, std::size_t length) {
    if (local_port_ == 0)
        throw fw::ESocketError("Cannot send on a socket that is not connected");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    network_.send(local_port_, address_, port_, routersim::Bytes(bytes, bytes + length));
    return static_cast<int>(length);
}

int MemoryDatagramSocket::ReceiveFrom(void* buffer, std::size_t size, fw::SocketAddress& from) {
    const std::uint32_t now = network_.clock().now_ms();
    const auto arrived = std::find_if(inbox_.begin(), inbox_.end(), [now](const MemoryDatagram& datagram) {
        return static_cast<std::int32_t>(now - datagram.arrival_ms) >= 0;
    });
    if (arrived == inbox_.end())
        return -1;
    const std::size_t n = std::min(size, arrived->bytes.size());
    // An empty datagram has no bytes to copy (and its data() may be null).
    if (n > 0)
        std::memcpy(buffer, arrived->bytes.data(), n);
    from.address = arrived->from_address;
    from.port = arrived->from_port;
    inbox_.erase(arrived);
    return static_cast<int>(n);
}

void MemoryDatagramSocket::Close() {
    if (local_port_ != 0)
        network_.unbind_port(local_port_);
    local_port_ = 0;
    inbox_.clear();
}

}  // namespace memnet
