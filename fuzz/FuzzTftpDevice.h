#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "routersim/Device.h"

namespace fuzz {

// A recovery loader whose answers to the transfer are chosen by the fuzzer:
// for each datagram it receives on port 69 it takes the next step of the
// script (a correct acknowledgement, one with any block number, an ERROR,
// any bytes, a repeat, an answer from another port, or silence). Once the
// script is used up it acknowledges correctly, so every run can end.
class FuzzTftpDevice final : public routersim::Device {
public:
    enum Step : std::uint8_t { Ack, AckBlock, Error, Raw, Silence, AckTwice, AckFromOtherPort, StepCount };

    explicit FuzzTftpDevice(FuzzInput& script) : script_(script) {}

    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t) const override { return true; }
    std::vector<int> ports() const override { return {69, 1069}; }
    std::string kind() const override { return "fuzz-loader"; }

private:
    FuzzInput& script_;
};

}  // namespace fuzz
