#pragma once

#include <functional>
#include <memory>

#include "platform/net/NetworkFactory.h"
#include "platform/net/posix/PosixHostInfo.h"

namespace fw {

// The real network: POSIX sockets, ICMP and interface addresses. The FTP
// client comes from the function given (the libcurl client in the program).
class PosixNetworkFactory final : public NetworkFactory {
public:
    using FtpClientMaker = std::function<std::unique_ptr<FtpClient>()>;

    PosixNetworkFactory(EventLoop& loop, FtpClientMaker make_ftp_client)
        : loop_(loop), make_ftp_client_(std::move(make_ftp_client)) {}

    std::unique_ptr<DatagramSocket> make_datagram_socket() override;
    std::unique_ptr<Pinger> make_pinger() override;
    std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() override;
    // Raises fw::Exception when no FTP client maker was given.
    std::unique_ptr<FtpClient> make_ftp_client() override;
    HostInfo& host_info() override { return host_info_; }

private:
    EventLoop& loop_;
    FtpClientMaker make_ftp_client_;
    PosixHostInfo host_info_;
};

}  // namespace fw
