#include "memnet/MemoryNetwork.h"

#include "memnet/MemoryDatagramSocket.h"
#include "memnet/MemoryEventEndpoint.h"
#include "memnet/MemoryPinger.h"
#include "platform/runtime/Exception.h"

namespace memnet {

namespace {

std::string subnet_prefix(const std::string& address) {
    const auto dot = address.rfind('.');
    return dot == std::string::npos ? std::string() : address.substr(0, dot + 1);
}

}  // namespace

routersim::NormalRouter& MemoryNetwork::add_normal_router(const std::string& address,
                                                          routersim::NormalRouterOptions options) {
    return static_cast<routersim::NormalRouter&>(
        add_device(address, std::make_unique<routersim::NormalRouter>(std::move(options))));
}

routersim::RecoveryLoader& MemoryNetwork::add_recovery_loader(const std::string& address,
                                                              routersim::RecoveryLoaderOptions options) {
    return static_cast<routersim::RecoveryLoader&>(
        add_device(address, std::make_unique<routersim::RecoveryLoader>(std::move(options))));
}

routersim::Device& MemoryNetwork::add_device(const std::string& address, std::unique_ptr<routersim::Device> device) {
    hosts_.push_back({address, std::move(device)});
    return *hosts_.back().device;
}

std::unique_ptr<fw::DatagramSocket> MemoryNetwork::make_datagram_socket() {
    return std::make_unique<MemoryDatagramSocket>(*this);
}

std::unique_ptr<fw::Pinger> MemoryNetwork::make_pinger() { return std::make_unique<MemoryPinger>(*this); }

std::unique_ptr<fw::EventDatagramEndpoint> MemoryNetwork::make_event_datagram_endpoint() {
    return std::make_unique<MemoryEventEndpoint>(*this);
}

std::unique_ptr<fw::FtpClient> MemoryNetwork::make_ftp_client() {
    if (!make_ftp_client_)
        throw fw::Exception("The in-memory network has no FTP client maker; call set_ftp_client_maker");
    return make_ftp_client_();
}

int MemoryNetwork::bind_port(MemoryPort& port, int wanted) {
    if (wanted != 0) {
        if (ports_.count(wanted))
            throw fw::ESocketError("Cannot bind UDP port " + std::to_string(wanted) + ": Address already in use");
        ports_[wanted] = &port;
        return wanted;
    }
    while (ports_.count(next_ephemeral_port_))
        next_ephemeral_port_ = next_ephemeral_port_ >= 65535 ? 49152 : next_ephemeral_port_ + 1;
    const int chosen = next_ephemeral_port_;
    next_ephemeral_port_ = chosen >= 65535 ? 49152 : chosen + 1;
    ports_[chosen] = &port;
    return chosen;
}

void MemoryNetwork::unbind_port(int port) { ports_.erase(port); }

std::string MemoryNetwork::source_address_for(const std::string& destination) const {
    const auto& addresses = host_info_.addresses();
    for (const auto& address : addresses) {
        if (subnet_prefix(address) == subnet_prefix(destination))
            return address;
    }
    return addresses.empty() ? "0.0.0.0" : addresses.front();
}

void MemoryNetwork::send(int from_port, const std::string& to_address, int to_port, const routersim::Bytes& bytes) {
    const std::uint32_t now = clock_.now_ms();
    const std::string from_address = source_address_for(to_address);
    traffic_.push_back({from_address, from_port, to_address, to_port, bytes, now});
    const routersim::Incoming incoming{bytes, from_address, from_port, to_port};
    for (auto& host : hosts_) {
        if (to_address != BROADCAST && host.address != to_address)
            continue;
        for (auto& answer : host.device->receive(incoming, now)) {
            traffic_.push_back({host.address, answer.from_port, answer.to_address, answer.to_port, answer.bytes, now});
            const auto port = ports_.find(answer.to_port);
            if (port != ports_.end())
                port->second->deliver({std::move(answer.bytes), host.address, answer.from_port, now + latency_ms_});
        }
    }
}

bool MemoryNetwork::answers_ping(const std::string& address) {
    const std::uint32_t now = clock_.now_ms();
    for (const auto& host : hosts_) {
        if (host.address == address && host.device->answers_ping(now))
            return true;
    }
    return false;
}

}  // namespace memnet
