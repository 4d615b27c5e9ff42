#pragma once

#include <cstddef>
#include <string>

#include "routersim/Device.h"

namespace routersim {

struct NormalRouterOptions {
    std::string module = "WX2000";  // at offset 44 of the "QD" reply, at most 24 bytes
    std::string detail{};           // at offset 12 of the "QD" reply, at most 32 bytes
    int answers = 1;                // copies of each reply, to simulate repeated answers
    bool answers_ping = true;       // used by the in-memory network; a lab uses sysctl
    std::size_t reply_length = 68;  // length of the "QD" reply: shorter cuts, longer pads with zeros
};

// A router running its normal firmware: answers the "QD" broadcast query and
// the directed "QQ" query on UDP port 9.
class NormalRouter final : public Device {
public:
    static constexpr int PROBE_PORT = 9;
    static constexpr std::size_t DETAIL_OFFSET = 12;
    static constexpr std::size_t MODULE_OFFSET = 44;
    static constexpr std::size_t QD_REPLY_SIZE = 68;

    explicit NormalRouter(NormalRouterOptions options = {}) : options_(std::move(options)) {}

    std::vector<Outgoing> receive(const Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t) const override { return options_.answers_ping; }
    std::vector<int> ports() const override { return {PROBE_PORT}; }
    std::string kind() const override { return "normal"; }

    const NormalRouterOptions& options() const { return options_; }
    // The "QD" reply as it goes on the wire.
    Bytes qd_reply() const;
    // How many "QD" and "QQ" queries it has answered.
    int queries_answered() const { return queries_answered_; }

private:
    NormalRouterOptions options_;
    int queries_answered_ = 0;
};

}  // namespace routersim
