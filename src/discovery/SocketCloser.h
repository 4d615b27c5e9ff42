#pragma once

#include "platform/net/DatagramSocket.h"

namespace fw {

// Closes a probe socket when the probe ends, also when a socket error ends
// it early: each probe opens and closes its own socket.
class SocketCloser {
public:
    explicit SocketCloser(DatagramSocket& socket) : socket_(socket) {}
    ~SocketCloser() { socket_.Close(); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

private:
    DatagramSocket& socket_;
};

}  // namespace fw
