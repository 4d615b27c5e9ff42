#pragma once

#include <deque>
#include <memory>
#include <set>

#include "memnet/MemoryPort.h"
#include "platform/net/EventDatagramEndpoint.h"
#include "platform/runtime/EventLoop.h"

namespace memnet {

class MemoryNetwork;

// The transfer endpoint on the in-memory network: SendBuffer hands the
// datagram to the devices and runs on_data_send; their answers come back
// through the event loop after the latency, one on_data_received each.
class MemoryEventEndpoint final : public fw::EventDatagramEndpoint, private MemoryPort {
public:
    explicit MemoryEventEndpoint(MemoryNetwork& network);
    ~MemoryEventEndpoint() override;
    MemoryEventEndpoint(const MemoryEventEndpoint&) = delete;
    MemoryEventEndpoint& operator=(const MemoryEventEndpoint&) = delete;

    void SendBuffer(const void* data, std::size_t length) override;
    std::size_t ReadBuffer(void* buffer, std::size_t size) override;

    // Binds the local port (a free one for 0) when not bound yet.
    void Open();
    void Close();
    int bound_port() const { return bound_port_; }

private:
    void deliver(MemoryDatagram datagram) override;
    void deliver_next();

    MemoryNetwork& network_;
    fw::EventLoop& loop_;
    int bound_port_ = 0;
    std::deque<MemoryDatagram> inbox_;
    std::set<fw::EventLoop::Id> timers_;
    const routersim::Bytes* current_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace memnet
