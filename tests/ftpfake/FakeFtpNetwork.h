#pragma once

#include <memory>
#include <set>
#include <string>

#include "FakeFtpServer.h"
#include "platform/net/NetworkFactory.h"
#include "support/NullNetwork.h"

namespace fw {
class EventLoop;
}

namespace fw::test {

// A network with one router on it that runs an FTP server: ping gets an
// answer from the answering addresses, FTP clients talk to the fake server,
// and every other component is the null network's.
class FakeFtpNetwork final : public NetworkFactory {
public:
    FakeFtpServer server;
    // Addresses that answer ping; the server's address by default.
    std::set<std::string> answering;

    FakeFtpNetwork() { answering.insert(server.address); }
    // The loop the FTP clients wait on; set before the main window is created.
    void set_loop(EventLoop& loop) { loop_ = &loop; }

    std::unique_ptr<DatagramSocket> make_datagram_socket() override { return null_.make_datagram_socket(); }
    std::unique_ptr<Pinger> make_pinger() override;
    std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() override {
        return null_.make_event_datagram_endpoint();
    }
    std::unique_ptr<FtpClient> make_ftp_client() override;
    HostInfo& host_info() override { return null_.host_info(); }

private:
    NullNetwork null_;
    EventLoop* loop_ = nullptr;
};

}  // namespace fw::test
