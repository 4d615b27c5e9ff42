#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "routersim/Device.h"

namespace fuzz {

// What a fuzzed device sends back to one kind of query.
struct FuzzAnswer {
    std::vector<routersim::Bytes> datagrams;  // sent in this order, each time the query comes
    int from_port = 0;                        // the device's port they leave from
};

// A device on the in-memory network that answers every discovery query with
// bytes chosen by the fuzzer: any number of datagrams of any length and content.
class FuzzReplyDevice final : public routersim::Device {
public:
    enum Query { QD, QQ, VN, QueryCount };

    FuzzReplyDevice(std::array<FuzzAnswer, QueryCount> answers, bool answers_ping)
        : answers_(std::move(answers)), ping_(answers_ping) {}

    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t) const override { return ping_; }
    std::vector<int> ports() const override { return {9, 69}; }
    std::string kind() const override { return "fuzz"; }

private:
    std::array<FuzzAnswer, QueryCount> answers_;
    bool ping_;
};

}  // namespace fuzz
