#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "routersim/Device.h"

namespace fw::test {

// A device that answers only the directed "QQ" query on port 9 (not the "QD"
// broadcast), as some routers found at a default address do.
class QqOnlyDevice final : public routersim::Device {
public:
    explicit QqOnlyDevice(bool answers_ping = true) : ping_(answers_ping) {}
    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t) const override { return ping_; }
    std::vector<int> ports() const override { return {9}; }
    std::string kind() const override { return "qq-only"; }

private:
    bool ping_;
};

// A host that answers ping and nothing else.
class PingOnlyDevice final : public routersim::Device {
public:
    std::vector<routersim::Outgoing> receive(const routersim::Incoming&, std::uint32_t) override { return {}; }
    bool answers_ping(std::uint32_t) const override { return true; }
    std::vector<int> ports() const override { return {}; }
    std::string kind() const override { return "ping-only"; }
};

// A device that answers any datagram on the given port with fixed bytes.
class FixedReplyDevice final : public routersim::Device {
public:
    FixedReplyDevice(int port, routersim::Bytes reply, bool answers_ping = true)
        : port_(port), reply_(std::move(reply)), ping_(answers_ping) {}
    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t) const override { return ping_; }
    std::vector<int> ports() const override { return {port_}; }
    std::string kind() const override { return "fixed"; }

private:
    int port_;
    routersim::Bytes reply_;
    bool ping_;
};

}  // namespace fw::test
