#include "platform/net/posix/PosixNetworkFactory.h"

#include "platform/net/posix/PosixDatagramSocket.h"
#include "platform/net/posix/PosixEventDatagramEndpoint.h"
#include "platform/net/posix/PosixPinger.h"
#include "platform/runtime/Exception.h"

namespace fw {

std::unique_ptr<DatagramSocket> PosixNetworkFactory::make_datagram_socket() {
    return std::make_unique<PosixDatagramSocket>();
}

std::unique_ptr<Pinger> PosixNetworkFactory::make_pinger() { return std::make_unique<PosixPinger>(); }

std::unique_ptr<EventDatagramEndpoint> PosixNetworkFactory::make_event_datagram_endpoint() {
    return std::make_unique<PosixEventDatagramEndpoint>(loop_);
}

std::unique_ptr<FtpClient> PosixNetworkFactory::make_ftp_client() {
    if (!make_ftp_client_)
        throw Exception("No FTP client is available in this build");
    return make_ftp_client_();
}

}  // namespace fw
