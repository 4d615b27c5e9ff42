#pragma once

#include <memory>

#include "platform/net/NetworkFactory.h"

namespace fw::test {

// A network with nothing on it: sockets send into the void and nobody answers.
class NullNetwork final : public NetworkFactory {
public:
    std::unique_ptr<DatagramSocket> make_datagram_socket() override;
    std::unique_ptr<Pinger> make_pinger() override;
    std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() override;
    std::unique_ptr<FtpClient> make_ftp_client() override;
    HostInfo& host_info() override;
};

}  // namespace fw::test
