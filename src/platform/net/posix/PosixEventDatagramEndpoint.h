#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/net/EventDatagramEndpoint.h"
#include "platform/runtime/EventLoop.h"

namespace fw {

// The transfer endpoint on a POSIX UDP socket, bound to any address and the
// local port, opened by the first send (or by Open). Datagrams arriving on it
// are delivered from the event loop, one per readable event.
class PosixEventDatagramEndpoint final : public EventDatagramEndpoint {
public:
    explicit PosixEventDatagramEndpoint(EventLoop& loop) : loop_(loop) {}
    ~PosixEventDatagramEndpoint() override;
    PosixEventDatagramEndpoint(const PosixEventDatagramEndpoint&) = delete;
    PosixEventDatagramEndpoint& operator=(const PosixEventDatagramEndpoint&) = delete;

    void SendBuffer(const void* data, std::size_t length) override;
    std::size_t ReadBuffer(void* buffer, std::size_t size) override;

    // Opens the socket and starts listening, when it is not open yet. Raises
    // ESocketError when the local port cannot be bound.
    void Open();
    void Close();
    // The local port the socket is bound to, 0 while closed.
    int bound_port() const;

private:
    void on_readable();

    EventLoop& loop_;
    int fd_ = -1;
    EventLoop::Id watch_ = 0;
    std::vector<std::uint8_t> receive_buffer_ = std::vector<std::uint8_t>(65536);
    // The datagram being delivered, while on_data_received runs.
    const std::vector<std::uint8_t>* current_ = nullptr;
    // Lets a delivery notice that its handler destroyed the endpoint.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace fw
