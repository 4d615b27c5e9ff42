// tftp_lockstep: the link's limit for a lock-step transfer. Sends a file as a
// TFTP write with nothing but the datagrams themselves: the whole file in
// memory, blocking sockets, no event loop, no log. Each 516-byte DATA waits
// for its 4-byte acknowledgement, exactly as the recovery engine does. Run it
// only inside a lab network namespace.
//
//   tftp_lockstep ADDRESS FILE REMOTE-NAME
//
// Prints "transfer_ms N" (write request to the final acknowledgement) and
// exits 0, or 1 when a datagram is lost (no retransmission, 2 s time-out).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool wait_for_ack(int fd, std::uint16_t block) {
    std::uint8_t reply[516];
    for (;;) {
        const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
        if (n < 0) return false;
        if (n < 4) continue;
        const int opcode = (reply[0] << 8) | reply[1];
        if (opcode == 5) return false;
        if (opcode == 4 && ((reply[2] << 8) | reply[3]) == block) return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tftp_lockstep ADDRESS FILE REMOTE-NAME\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string name = argv[3];

    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(69);
    if (::inet_pton(AF_INET, argv[1], &peer.sin_addr) != 1) return 2;

    std::uint8_t packet[516];
    const auto start = std::chrono::steady_clock::now();
    std::size_t length = 0;
    packet[length++] = 0;
    packet[length++] = 2;
    std::memcpy(packet + length, name.c_str(), name.size() + 1);
    length += name.size() + 1;
    std::memcpy(packet + length, "octet", 6);
    length += 6;
    ::sendto(fd, packet, length, 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
    if (!wait_for_ack(fd, 0)) return 1;

    const std::size_t blocks = file.size() / 512 + 1;
    for (std::size_t k = 1; k <= blocks; ++k) {
        const std::size_t offset = (k - 1) * 512;
        const std::size_t bytes = std::min<std::size_t>(512, file.size() - offset);
        packet[0] = 0;
        packet[1] = 3;
        packet[2] = static_cast<std::uint8_t>(k >> 8);
        packet[3] = static_cast<std::uint8_t>(k & 0xFF);
        std::memcpy(packet + 4, file.data() + offset, bytes);
        ::sendto(fd, packet, 4 + bytes, 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        if (!wait_for_ack(fd, static_cast<std::uint16_t>(k))) return 1;
    }
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("transfer_ms %.1f\n", ms);
    ::close(fd);
    return 0;
}
