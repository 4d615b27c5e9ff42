#include "memnet/MemoryEventEndpoint.h"

#include <algorithm>
#include <cstring>

#include "memnet/MemoryNetwork.h"
#include "platform/net/posix/Ipv4Address.h"
#include "platform/runtime/Exception.h"

namespace memnet {

MemoryEventEndpoint::MemoryEventEndpoint(MemoryNetwork& network) : network_(network), loop_(network.loop()) {}

MemoryEventEndpoint::~MemoryEventEndpoint() {
    *alive_ = false;
    Close();
}

void MemoryEventEndpoint::Open() {
    if (bound_port_ == 0)
        bound_port_ = network_.bind_port(*this, local_port());
}

void MemoryEventEndpoint::Close() {
    for (const auto id : timers_)
        loop_.stop_timer(id);
    timers_.clear();
    inbox_.clear();
    if (bound_port_ != 0)
        network_.unbind_port(bound_port_);
    bound_port_ = 0;
}

void MemoryEventEndpoint::SendBuffer(const void* data, std::size_t length) {
    fw::Ipv4Address::parse(remote_host(), remote_port());
    if (remote_port() < 1 || remote_port() > 65535)
        throw fw::ESocketError("Cannot send to UDP port " + std::to_string(remote_port()));
    Open();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    network_.send(bound_port_, remote_host(), remote_port(), routersim::Bytes(bytes, bytes + length));
    if (on_data_send)
        on_data_send();
}

std::size_t MemoryEventEndpoint::ReadBuffer(void* buffer, std::size_t size) {
    if (!current_)
        return 0;
    const std::size_t n = std::min(size, current_->size());
    // An empty datagram has no bytes to copy (and its data() may be null).
    if (n > 0)
        std::memcpy(buffer, current_->data(), n);
    return n;
}

void MemoryEventEndpoint::deliver(MemoryDatagram datagram) {
    const std::uint32_t delay = datagram.arrival_ms - network_.clock().now_ms();
    inbox_.push_back(std::move(datagram));
    // Each wake-up delivers the oldest datagram, so the order holds whatever
    // order the loop fires timers of the same time in.
    const auto alive = alive_;
    if (delay == 0 || static_cast<std::int32_t>(delay) < 0) {
        loop_.post([this, alive] {
            if (*alive)
                deliver_next();
        });
        return;
    }
    auto id = std::make_shared<fw::EventLoop::Id>(0);
    *id = loop_.start_timer(delay, [this, alive, id] {
        if (!*alive)
            return;
        loop_.stop_timer(*id);
        timers_.erase(*id);
        deliver_next();
    });
    timers_.insert(*id);
}

void MemoryEventEndpoint::deliver_next() {
    if (inbox_.empty())
        return;
    const MemoryDatagram datagram = std::move(inbox_.front());
    inbox_.pop_front();
    if (!on_data_received)
        return;
    const auto handler = on_data_received;
    const auto alive = alive_;
    const auto* previous = current_;
    current_ = &datagram.bytes;
    handler(static_cast<int>(datagram.bytes.size()), datagram.from_address, datagram.from_port);
    if (*alive)
        current_ = previous;
}

}  // namespace memnet
