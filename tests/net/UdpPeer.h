#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fw::test {

// A plain UDP socket on 127.0.0.1 playing the far end of a test.
class UdpPeer {
public:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        int from_port = 0;
    };

    UdpPeer() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local = loopback(0);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
    }
    ~UdpPeer() { ::close(fd_); }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    int port() const { return port_; }

    void send_to(int port, const std::vector<std::uint8_t>& bytes) {
        const sockaddr_in to = loopback(port);
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    // Waits up to five seconds for one datagram; a safety limit, not a timing check.
    std::optional<Datagram> receive() {
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, 5000) <= 0)
            return std::nullopt;
        Datagram datagram;
        datagram.bytes.resize(65536);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(fd_, datagram.bytes.data(), datagram.bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0)
            return std::nullopt;
        datagram.bytes.resize(static_cast<std::size_t>(n));
        datagram.from_port = ntohs(from.sin_port);
        return datagram;
    }

    static sockaddr_in loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Waits up to five seconds for the descriptor to become readable.
inline bool wait_readable(int fd) {
    pollfd watch{fd, POLLIN, 0};
    return ::poll(&watch, 1, 5000) > 0;
}

}  // namespace fw::test
