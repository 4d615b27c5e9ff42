#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "memnet/MemoryHostInfo.h"
#include "memnet/MemoryPort.h"
#include "platform/net/NetworkFactory.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/EventLoop.h"
#include "routersim/NormalRouter.h"
#include "routersim/RecoveryLoader.h"

namespace memnet {

// One datagram seen on the network, in either direction.
struct TrafficRecord {
    std::string from_address;
    int from_port = 0;
    std::string to_address;
    int to_port = 0;
    routersim::Bytes bytes;
    std::uint32_t time_ms = 0;
};

// An in-memory network of simulated routers (the device models of routersim)
// and this computer, made as a NetworkFactory for the code under test. A
// datagram to 255.255.255.255 reaches every device, one to an address every
// device at that address; answers reach the socket bound to the port they
// are sent to, after the latency. Time is the given clock's (a VirtualClock
// in unit tests). The network must outlive every component it makes.
class MemoryNetwork final : public fw::NetworkFactory {
public:
    using FtpClientMaker = std::function<std::unique_ptr<fw::FtpClient>()>;
    static constexpr const char* BROADCAST = "255.255.255.255";

    MemoryNetwork(fw::EventLoop& loop, fw::Clock& clock) : loop_(loop), clock_(clock) {}

    // Scenario building. Several devices may share one address.
    routersim::NormalRouter& add_normal_router(const std::string& address, routersim::NormalRouterOptions options = {});
    routersim::RecoveryLoader& add_recovery_loader(const std::string& address,
                                                   routersim::RecoveryLoaderOptions options = {});
    routersim::Device& add_device(const std::string& address, std::unique_ptr<routersim::Device> device);
    void set_latency_ms(std::uint32_t ms) { latency_ms_ = ms; }
    void set_ping_rtt_ms(std::uint32_t ms) { ping_rtt_ms_ = ms; }
    void set_ftp_client_maker(FtpClientMaker maker) { make_ftp_client_ = std::move(maker); }
    MemoryHostInfo& host() { return host_info_; }

    // What happened.
    const std::vector<TrafficRecord>& traffic() const { return traffic_; }
    // The addresses pinged, in order.
    const std::vector<std::string>& pings() const { return pings_; }

    // NetworkFactory.
    std::unique_ptr<fw::DatagramSocket> make_datagram_socket() override;
    std::unique_ptr<fw::Pinger> make_pinger() override;
    std::unique_ptr<fw::EventDatagramEndpoint> make_event_datagram_endpoint() override;
    // Raises fw::Exception when no FTP client maker was set.
    std::unique_ptr<fw::FtpClient> make_ftp_client() override;
    fw::HostInfo& host_info() override { return host_info_; }

    // Used by the components. bind_port gives a free port for 0 and raises
    // fw::ESocketError for a port in use.
    int bind_port(MemoryPort& port, int wanted);
    void unbind_port(int port);
    void send(int from_port, const std::string& to_address, int to_port, const routersim::Bytes& bytes);
    bool answers_ping(const std::string& address);
    void record_ping(const std::string& address) { pings_.push_back(address); }
    std::uint32_t latency_ms() const { return latency_ms_; }
    std::uint32_t ping_rtt_ms() const { return ping_rtt_ms_; }
    fw::Clock& clock() { return clock_; }
    fw::EventLoop& loop() { return loop_; }

private:
    struct Host {
        std::string address;
        std::unique_ptr<routersim::Device> device;
    };

    // The local address a datagram to this destination leaves from.
    std::string source_address_for(const std::string& destination) const;

    fw::EventLoop& loop_;
    fw::Clock& clock_;
    std::vector<Host> hosts_;
    std::map<int, MemoryPort*> ports_;
    int next_ephemeral_port_ = 49152;
    std::uint32_t latency_ms_ = 1;
    std::uint32_t ping_rtt_ms_ = 1;
    MemoryHostInfo host_info_;
    FtpClientMaker make_ftp_client_;
    std::vector<TrafficRecord> traffic_;
    std::vector<std::string> pings_;
};

}  // namespace memnet
