#include "platform/net/posix/PosixDatagramSocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>

#include "platform/net/posix/Ipv4Address.h"
#include "platform/runtime/Exception.h"

namespace fw {

namespace {

constexpr const char* BROADCAST_ADDRESS = "255.255.255.255";

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

PosixDatagramSocket::~PosixDatagramSocket() { Close(); }

void PosixDatagramSocket::Connect() {
    if (proto_ != "udp")
        throw ESocketError("Cannot use the protocol \"" + proto_ + "\"; only \"udp\" is supported");
    const sockaddr_in destination = Ipv4Address::parse(address_, Ipv4Address::parse_port(port_));
    Close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        throw ESocketError(system_error("Cannot open a UDP socket"));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string message = system_error("Cannot bind a UDP socket");
        Close();
        throw ESocketError(message);
    }
    if (address_ == BROADCAST_ADDRESS) {
        const int on = 1;
        if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            const std::string message = system_error("Cannot switch broadcast on");
            Close();
            throw ESocketError(message);
        }
    }
    destination_ = destination;
}

int PosixDatagramSocket::Send(const void* data, std::size_t length) {
    if (fd_ < 0)
        throw ESocketError("Cannot send on a socket that is not connected");
    const ssize_t sent = ::sendto(fd_, data, length, 0, reinterpret_cast<const sockaddr*>(&destination_),
                                  sizeof destination_);
    if (sent < 0)
        throw ESocketError(system_error("Cannot send to " + address_ + ":" + port_));
    return static_cast<int>(sent);
}

int PosixDatagramSocket::ReceiveFrom(void* buffer, std::size_t size, SocketAddress& from) {
    if (fd_ < 0)
        return -1;
    sockaddr_in sender{};
    socklen_t sender_length = sizeof sender;
    // MSG_TRUNC makes the call report the whole length; only size bytes are copied.
    const ssize_t length = ::recvfrom(fd_, buffer, size, MSG_DONTWAIT | MSG_TRUNC,
                                      reinterpret_cast<sockaddr*>(&sender), &sender_length);
    if (length < 0)
        return -1;
    from.address = Ipv4Address::text(sender.sin_addr);
    from.port = ntohs(sender.sin_port);
    return static_cast<int>(std::min(static_cast<std::size_t>(length), size));
}

void PosixDatagramSocket::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

}  // namespace fw
