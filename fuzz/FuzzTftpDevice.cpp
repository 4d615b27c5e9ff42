#include "FuzzTftpDevice.h"

namespace fuzz {

namespace {

routersim::Bytes ack(std::uint16_t block) {
    return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
}

}  // namespace

std::vector<routersim::Outgoing> FuzzTftpDevice::receive(const routersim::Incoming& datagram, std::uint32_t) {
    if (datagram.local_port != 69 || datagram.bytes.size() < 2) return {};
    const std::uint16_t opcode = static_cast<std::uint16_t>(datagram.bytes[0] << 8 | datagram.bytes[1]);
    std::uint16_t block = 0;
    if (opcode == 3 && datagram.bytes.size() >= 4)
        block = static_cast<std::uint16_t>(datagram.bytes[2] << 8 | datagram.bytes[3]);
    else if (opcode != 2)
        return {};  // the reboot request and anything else: no answer

    const auto to_pc = [&](routersim::Bytes bytes, int from_port = 69) {
        return routersim::Outgoing{std::move(bytes), datagram.from_address, datagram.from_port, from_port};
    };
    const Step step = script_.empty() ? Ack : static_cast<Step>(script_.u8() % StepCount);
    switch (step) {
        case Ack:
            return {to_pc(ack(block))};
        case AckBlock:
            return {to_pc(ack(script_.u16()))};
        case Error: {
            routersim::Bytes error{0, 5};
            const std::uint16_t code = script_.u16();
            error.push_back(static_cast<std::uint8_t>(code >> 8));
            error.push_back(static_cast<std::uint8_t>(code));
            const auto text = script_.bytes(script_.u8());
            error.insert(error.end(), text.begin(), text.end());
            return {to_pc(error)};
        }
        case Raw:
            return {to_pc(script_.bytes(script_.u16() % 600))};
        case Silence:
            return {};
        case AckTwice:
            return {to_pc(ack(block)), to_pc(ack(block))};
        case AckFromOtherPort:
            return {to_pc(ack(block), 1069)};
        case StepCount:
            break;
    }
    return {};
}

}  // namespace fuzz
