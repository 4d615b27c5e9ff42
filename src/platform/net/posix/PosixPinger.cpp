#include "platform/net/posix/PosixPinger.h"

#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/net/posix/Ipv4Address.h"

namespace fw {

namespace {

enum class IcmpSocket { Datagram, Raw };

std::uint16_t checksum(const std::uint8_t* data, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < length; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2)
        sum += static_cast<std::uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// The identifier of this process's raw echo requests; a datagram socket gets
// its identifier from the kernel, which also keeps other replies away.
std::uint16_t raw_identifier() { return static_cast<std::uint16_t>(::getpid() & 0xffff); }

void report_no_icmp_socket_once() {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    std::fprintf(stderr,
                 "Cannot send ICMP echo requests: no ICMP datagram socket (allow this group in the sysctl "
                 "net.ipv4.ping_group_range) and no raw socket (needs CAP_NET_RAW). Every ping counts as unanswered.\n");
}

// Whether the datagram is the echo reply from the target with our identifier and sequence.
bool is_our_reply(const std::uint8_t* packet, std::size_t length, IcmpSocket kind, std::uint16_t sequence) {
    std::size_t offset = 0;
    if (kind == IcmpSocket::Raw) {
        if (length < sizeof(iphdr))
            return false;
        offset = static_cast<std::size_t>(reinterpret_cast<const iphdr*>(packet)->ihl) * 4;
    }
    if (length < offset + 8)
        return false;
    const std::uint8_t* icmp = packet + offset;
    const std::uint16_t id = static_cast<std::uint16_t>(icmp[4] << 8 | icmp[5]);
    const std::uint16_t seq = static_cast<std::uint16_t>(icmp[6] << 8 | icmp[7]);
    return icmp[0] == ICMP_ECHOREPLY && seq == sequence && (kind == IcmpSocket::Datagram || id == raw_identifier());
}

}  // namespace

std::uint16_t PosixPinger::first_sequence() {
    return static_cast<std::uint16_t>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xffff);
}

int PosixPinger::Ping() {
    const sockaddr_in target = Ipv4Address::parse(address(), 0);

    IcmpSocket kind = IcmpSocket::Datagram;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        kind = IcmpSocket::Raw;
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    }
    if (fd < 0) {
        report_no_icmp_socket_once();
        return 0;
    }
    const int ttl_value = ttl();
    ::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl_value, sizeof ttl_value);

    const std::uint16_t sequence = ++sequence_;
    std::vector<std::uint8_t> request(8 + static_cast<std::size_t>(std::max(0, size())), 0);
    request[0] = ICMP_ECHO;
    request[4] = static_cast<std::uint8_t>(raw_identifier() >> 8);
    request[5] = static_cast<std::uint8_t>(raw_identifier() & 0xff);
    request[6] = static_cast<std::uint8_t>(sequence >> 8);
    request[7] = static_cast<std::uint8_t>(sequence & 0xff);
    for (std::size_t i = 8; i < request.size(); ++i)
        request[i] = static_cast<std::uint8_t>(i);
    const std::uint16_t sum = checksum(request.data(), request.size());
    request[2] = static_cast<std::uint8_t>(sum >> 8);
    request[3] = static_cast<std::uint8_t>(sum & 0xff);

    int replies = 0;
    if (::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) >=
        0) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeout()));
        std::vector<std::uint8_t> reply(65536);
        while (replies == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            pollfd watch{fd, POLLIN, 0};
            if (::poll(&watch, 1, static_cast<int>(left)) <= 0)
                continue;
            sockaddr_in sender{};
            socklen_t sender_length = sizeof sender;
            const ssize_t n = ::recvfrom(fd, reply.data(), reply.size(), MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&sender), &sender_length);
            if (n > 0 && sender.sin_addr.s_addr == target.sin_addr.s_addr &&
                is_our_reply(reply.data(), static_cast<std::size_t>(n), kind, sequence))
                replies = 1;
        }
    }
    ::close(fd);
    return replies;
}

}  // namespace fw
