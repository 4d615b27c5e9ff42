#pragma once

#include <cstddef>
#include <string>

namespace fw {

// Sender of a received datagram.
struct SocketAddress {
    std::string address;  // dotted IPv4 text
    int port = 0;
};

// A plain UDP socket used by the discovery probes, in the manner of a socket
// component: set the protocol, destination address and port, then Connect
// binds any local address and an ephemeral port and aims at the destination,
// with broadcast on for 255.255.255.255.
class DatagramSocket {
public:
    virtual ~DatagramSocket() = default;

    virtual void set_proto(const std::string& proto) = 0;  // "udp"
    virtual void set_addr(const std::string& address) = 0;
    virtual void set_port(const std::string& port) = 0;   // decimal text

    // Raises ESocketError when the address or port text cannot be used.
    virtual void Connect() = 0;
    // Sends one datagram; raises ESocketError on failure.
    virtual int Send(const void* data, std::size_t length) = 0;
    // Takes one queued datagram without waiting. Returns its length (at most
    // size; a longer datagram gives its first size bytes), or 0 or below when
    // nothing is queued.
    virtual int ReceiveFrom(void* buffer, std::size_t size, SocketAddress& from) = 0;
    virtual void Close() = 0;
};

}  // namespace fw
