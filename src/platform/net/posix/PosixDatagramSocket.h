#pragma once

#include <netinet/in.h>

#include <string>

#include "platform/net/DatagramSocket.h"

namespace fw {

// The probe socket on a POSIX UDP socket. It stays unconnected and sends with
// sendto, so replies are taken from any sender and any port.
class PosixDatagramSocket final : public DatagramSocket {
public:
    PosixDatagramSocket() = default;
    ~PosixDatagramSocket() override;
    PosixDatagramSocket(const PosixDatagramSocket&) = delete;
    PosixDatagramSocket& operator=(const PosixDatagramSocket&) = delete;

    void set_proto(const std::string& proto) override { proto_ = proto; }
    void set_addr(const std::string& address) override { address_ = address; }
    void set_port(const std::string& port) override { port_ = port; }

    void Connect() override;
    int Send(const void* data, std::size_t length) override;
    int ReceiveFrom(void* buffer, std::size_t size, SocketAddress& from) override;
    void Close() override;

    // The descriptor while open, else -1.
    int native_handle() const { return fd_; }

private:
    std::string proto_ = "udp";
    std::string address_;
    std::string port_;
    int fd_ = -1;
    sockaddr_in destination_{};
};

}  // namespace fw
