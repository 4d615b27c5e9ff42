#pragma once

#include <memory>

#include "platform/net/NetworkFactory.h"

namespace fw {

// A network with nothing on it, for builds that have no socket layer yet and
// for window tests: probes find no device, pings get no reply, datagrams go
// nowhere, and FTP connections fail with a clear message.
class InertNetworkFactory final : public NetworkFactory {
public:
    InertNetworkFactory();
    ~InertNetworkFactory() override;

    std::unique_ptr<DatagramSocket> make_datagram_socket() override;
    std::unique_ptr<Pinger> make_pinger() override;
    std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() override;
    std::unique_ptr<FtpClient> make_ftp_client() override;
    HostInfo& host_info() override;

private:
    std::unique_ptr<HostInfo> host_info_;
};

}  // namespace fw
