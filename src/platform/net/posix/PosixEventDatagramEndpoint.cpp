#include "platform/net/posix/PosixEventDatagramEndpoint.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/net/posix/Ipv4Address.h"
#include "platform/runtime/Exception.h"

namespace fw {

PosixEventDatagramEndpoint::~PosixEventDatagramEndpoint() {
    *alive_ = false;
    Close();
}

void PosixEventDatagramEndpoint::Open() {
    if (fd_ >= 0)
        return;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        throw ESocketError(std::string("Cannot open a UDP socket: ") + std::strerror(errno));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(local_port()));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string message =
            "Cannot bind UDP port " + std::to_string(local_port()) + ": " + std::strerror(errno);
        ::close(fd);
        throw ESocketError(message);
    }
    fd_ = fd;
    watch_ = loop_.watch_fd(fd_, unsigned(FdEvent::Readable), [this](unsigned) { on_readable(); });
}

void PosixEventDatagramEndpoint::Close() {
    if (fd_ < 0)
        return;
    loop_.unwatch_fd(watch_);
    ::close(fd_);
    fd_ = -1;
    watch_ = 0;
}

int PosixEventDatagramEndpoint::bound_port() const {
    if (fd_ < 0)
        return 0;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

void PosixEventDatagramEndpoint::SendBuffer(const void* data, std::size_t length) {
    const sockaddr_in remote = Ipv4Address::parse(remote_host(), remote_port());
    if (remote_port() < 1 || remote_port() > 65535)
        throw ESocketError("Cannot send to UDP port " + std::to_string(remote_port()));
    Open();
    if (::sendto(fd_, data, length, 0, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) < 0)
        throw ESocketError("Cannot send to " + remote_host() + ":" + std::to_string(remote_port()) + ": " +
                           std::strerror(errno));
    if (on_data_send)
        on_data_send();
}

std::size_t PosixEventDatagramEndpoint::ReadBuffer(void* buffer, std::size_t size) {
    if (!current_)
        return 0;
    const std::size_t n = std::min(size, current_->size());
    // An empty datagram has no bytes to copy (and its data() may be null).
    if (n > 0)
        std::memcpy(buffer, current_->data(), n);
    return n;
}

void PosixEventDatagramEndpoint::on_readable() {
    sockaddr_in sender{};
    socklen_t sender_length = sizeof sender;
    const ssize_t n = ::recvfrom(fd_, receive_buffer_.data(), receive_buffer_.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&sender), &sender_length);
    if (n < 0)
        return;
    // Each delivery keeps its own copy, so a nested loop inside the handler
    // that delivers the next datagram does not change what this one reads.
    const std::vector<std::uint8_t> datagram(receive_buffer_.begin(), receive_buffer_.begin() + n);
    if (!on_data_received)
        return;
    // The handler is copied as it may destroy this endpoint and with it on_data_received.
    const auto handler = on_data_received;
    const auto alive = alive_;
    const auto* previous = current_;
    current_ = &datagram;
    handler(static_cast<int>(n), Ipv4Address::text(sender.sin_addr), ntohs(sender.sin_port));
    if (*alive)
        current_ = previous;
}

}  // namespace fw
