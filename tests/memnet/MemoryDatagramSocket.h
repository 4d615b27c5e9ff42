#pragma once

#include <deque>
#include <string>

#include "memnet/MemoryPort.h"
#include "platform/net/DatagramSocket.h"

namespace memnet {

class MemoryNetwork;

// The probe socket on the in-memory network. Checks its texts like the POSIX
// socket; ReceiveFrom only gives datagrams whose arrival time has come.
class MemoryDatagramSocket final : public fw::DatagramSocket, private MemoryPort {
public:
    explicit MemoryDatagramSocket(MemoryNetwork& network) : network_(network) {}
    ~MemoryDatagramSocket() override { Close(); }
    MemoryDatagramSocket(const MemoryDatagramSocket&) = delete;
    MemoryDatagramSocket& operator=(const MemoryDatagramSocket&) = delete;

    void set_proto(const std::string& proto) override { proto_ = proto; }
    void set_addr(const std::string& address) override { address_ = address; }
    void set_port(const std::string& port) override { port_text_ = port; }
    void Connect() override;
    int Send(const void* data, std::size_t length) override;
    int ReceiveFrom(void* buffer, std::size_t size, fw::SocketAddress& from) override;
    void Close() override;

    // The local port while connected, else 0.
    int local_port() const { return local_port_; }
    bool broadcast() const { return broadcast_; }

private:
    void deliver(MemoryDatagram datagram) override { inbox_.push_back(std::move(datagram)); }

    MemoryNetwork& network_;
    std::string proto_ = "udp";
    std::string address_;
    std::string port_text_;
    int port_ = 0;
    int local_port_ = 0;
    bool broadcast_ = false;
    std::deque<MemoryDatagram> inbox_;
};

}  // namespace memnet
