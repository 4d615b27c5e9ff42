#pragma once

#include <cstdint>
#include <string>

namespace fw {

// Sends one ICMP echo request and counts the replies, like a ping component.
class Pinger {
public:
    virtual ~Pinger() = default;

    void set_size(int bytes) { size_ = bytes; }
    void set_timeout(int ms) { timeout_ms_ = ms; }
    void set_ttl(int ttl) { ttl_ = ttl; }
    void set_address(const std::string& address) { address_ = address; }
    int size() const { return size_; }
    int timeout() const { return timeout_ms_; }
    int ttl() const { return ttl_; }
    const std::string& address() const { return address_; }

    // Blocks for at most the time-out without dispatching events. Returns the
    // number of echo replies, 0 when none came.
    virtual int Ping() = 0;

private:
    int size_ = 56;
    int timeout_ms_ = 1000;
    int ttl_ = 64;
    std::string address_;
};

}  // namespace fw
