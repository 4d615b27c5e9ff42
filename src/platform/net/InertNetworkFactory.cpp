#include "platform/net/InertNetworkFactory.h"

#include "platform/runtime/Exception.h"

namespace fw {

namespace {

constexpr const char* kNoNetwork = "No network access in this build";

class InertDatagramSocket final : public DatagramSocket {
public:
    void set_proto(const std::string&) override {}
    void set_addr(const std::string&) override {}
    void set_port(const std::string&) override {}
    void Connect() override {}
    // The datagram is dropped, as on a segment where nobody listens.
    int Send(const void*, std::size_t length) override { return static_cast<int>(length); }
    int ReceiveFrom(void*, std::size_t, SocketAddress&) override { return 0; }
    void Close() override {}
};

class InertPinger final : public Pinger {
public:
    int Ping() override { return 0; }
};

class InertEndpoint final : public EventDatagramEndpoint {
public:
    void SendBuffer(const void*, std::size_t) override {
        if (on_data_send) on_data_send();
    }
    std::size_t ReadBuffer(void*, std::size_t) override { return 0; }
};

class InertFtpClient final : public FtpClient {
public:
    void Connect() override {
        if (on_connection_failed) on_connection_failed();
        throw EFtpFailure(kNoNetwork);
    }
    void Upload(const std::string&, const std::string&) override { throw EFtpFailure(kNoNetwork); }
    void Disconnect() override {}
    bool connected() const override { return false; }
    std::int64_t bytes_sent() const override { return 0; }
    std::int64_t bytes_total() const override { return 0; }
};

class InertHostInfo final : public HostInfo {
public:
    std::string host_name() override { return {}; }
    std::vector<std::string> ipv4_addresses() override { return {}; }
};

}  // namespace

InertNetworkFactory::InertNetworkFactory() : host_info_(std::make_unique<InertHostInfo>()) {}
InertNetworkFactory::~InertNetworkFactory() = default;

std::unique_ptr<DatagramSocket> InertNetworkFactory::make_datagram_socket() {
    return std::make_unique<InertDatagramSocket>();
}
std::unique_ptr<Pinger> InertNetworkFactory::make_pinger() { return std::make_unique<InertPinger>(); }
std::unique_ptr<EventDatagramEndpoint> InertNetworkFactory::make_event_datagram_endpoint() {
    return std::make_unique<InertEndpoint>();
}
std::unique_ptr<FtpClient> InertNetworkFactory::make_ftp_client() { return std::make_unique<InertFtpClient>(); }
HostInfo& InertNetworkFactory::host_info() { return *host_info_; }

}  // namespace fw
