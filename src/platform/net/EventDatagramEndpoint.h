#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace fw {

// A UDP endpoint with data events, in the manner of a datagram component:
// SendBuffer sends to RemoteHost:RemotePort and runs on_data_send before it
// returns; arriving datagrams are delivered through the event loop.
class EventDatagramEndpoint {
public:
    virtual ~EventDatagramEndpoint() = default;

    void set_remote_host(const std::string& host) { remote_host_ = host; }
    void set_remote_port(int port) { remote_port_ = port; }
    void set_local_port(int port) { local_port_ = port; }
    const std::string& remote_host() const { return remote_host_; }
    int remote_port() const { return remote_port_; }
    int local_port() const { return local_port_; }

    // Raises ESocketError when the remote host text is not an address.
    virtual void SendBuffer(const void* data, std::size_t length) = 0;
    // Inside on_data_received: copies the datagram being delivered (at most size bytes).
    virtual std::size_t ReadBuffer(void* buffer, std::size_t size) = 0;

    std::function<void()> on_data_send;
    std::function<void(int length, const std::string& from_address, int from_port)> on_data_received;

private:
    std::string remote_host_;
    int remote_port_ = 0;
    int local_port_ = 0;
};

}  // namespace fw
