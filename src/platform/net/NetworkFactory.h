#pragma once

#include <memory>

#include "platform/net/DatagramSocket.h"
#include "platform/net/EventDatagramEndpoint.h"
#include "platform/net/FtpClient.h"
#include "platform/net/HostInfo.h"
#include "platform/net/Pinger.h"

namespace fw {

class EventLoop;

// Makes the network components. The real factory makes POSIX sockets and the
// libcurl FTP client; tests use an in-memory network of simulated routers.
class NetworkFactory {
public:
    virtual ~NetworkFactory() = default;
    virtual std::unique_ptr<DatagramSocket> make_datagram_socket() = 0;
    virtual std::unique_ptr<Pinger> make_pinger() = 0;
    virtual std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() = 0;
    virtual std::unique_ptr<FtpClient> make_ftp_client() = 0;
    virtual HostInfo& host_info() = 0;
};

}  // namespace fw
