#include "support/NullNetwork.h"

namespace fw::test {
namespace {

class NullSocket final : public DatagramSocket {
public:
    void set_proto(const std::string&) override {}
    void set_addr(const std::string&) override {}
    void set_port(const std::string&) override {}
    void Connect() override {}
    int Send(const void*, std::size_t length) override { return int(length); }
    int ReceiveFrom(void*, std::size_t, SocketAddress&) override { return 0; }
    void Close() override {}
};

class NullPinger final : public Pinger {
public:
    int Ping() override { return 0; }
};

class NullEndpoint final : public EventDatagramEndpoint {
public:
    void SendBuffer(const void*, std::size_t) override {
        if (on_data_send) on_data_send();
    }
    std::size_t ReadBuffer(void*, std::size_t) override { return 0; }
};

class NullFtp final : public FtpClient {
public:
    void Connect() override {}
    void Upload(const std::string&, const std::string&) override {}
    void Disconnect() override {}
    bool connected() const override { return false; }
    std::int64_t bytes_sent() const override { return 0; }
    std::int64_t bytes_total() const override { return 0; }
};

class NullHostInfo final : public HostInfo {
public:
    std::string host_name() override { return "testpc"; }
    std::vector<std::string> ipv4_addresses() override { return {}; }
};

}  // namespace

std::unique_ptr<DatagramSocket> NullNetwork::make_datagram_socket() { return std::make_unique<NullSocket>(); }
std::unique_ptr<Pinger> NullNetwork::make_pinger() { return std::make_unique<NullPinger>(); }
std::unique_ptr<EventDatagramEndpoint> NullNetwork::make_event_datagram_endpoint() {
    return std::make_unique<NullEndpoint>();
}
std::unique_ptr<FtpClient> NullNetwork::make_ftp_client() { return std::make_unique<NullFtp>(); }
HostInfo& NullNetwork::host_info() {
    static NullHostInfo info;
    return info;
}

}  // namespace fw::test
