#include "routersim/TftpPacket.h"

#include <algorithm>

namespace routersim {

namespace {

void put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
}

void put_text(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

// A zero-terminated text starting at offset; nothing when no zero follows.
std::optional<std::string> text_at(const Bytes& bytes, std::size_t& offset) {
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto zero = std::find(begin, bytes.end(), 0);
    if (zero == bytes.end())
        return std::nullopt;
    std::string text(begin, zero);
    offset = static_cast<std::size_t>(zero - bytes.begin()) + 1;
    return text;
}

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    return out;
}

}  // namespace

Bytes tftp_request(TftpOpcode opcode, const std::string& filename, const std::string& mode) {
    Bytes packet;
    put16(packet, static_cast<std::uint16_t>(opcode));
    put_text(packet, filename);
    put_text(packet, mode);
    return packet;
}

Bytes tftp_data(std::uint16_t block, const Bytes& data) {
    Bytes packet;
    put16(packet, static_cast<std::uint16_t>(TftpOpcode::Data));
    put16(packet, block);
    packet.insert(packet.end(), data.begin(), data.end());
    return packet;
}

Bytes tftp_ack(std::uint16_t block) {
    Bytes packet;
    put16(packet, static_cast<std::uint16_t>(TftpOpcode::Ack));
    put16(packet, block);
    return packet;
}

Bytes tftp_error(std::uint16_t code, const std::string& message) {
    Bytes packet;
    put16(packet, static_cast<std::uint16_t>(TftpOpcode::Error));
    put16(packet, code);
    put_text(packet, message);
    return packet;
}

std::optional<std::uint16_t> tftp_opcode(const Bytes& packet) {
    if (packet.size() < 2)
        return std::nullopt;
    return static_cast<std::uint16_t>(packet[0] << 8 | packet[1]);
}

std::optional<std::uint16_t> tftp_block(const Bytes& packet) {
    if (packet.size() < 4)
        return std::nullopt;
    return static_cast<std::uint16_t>(packet[2] << 8 | packet[3]);
}

std::optional<TftpRequest> parse_tftp_request(const Bytes& packet) {
    const auto opcode = tftp_opcode(packet);
    if (!opcode || (*opcode != 1 && *opcode != 2))
        return std::nullopt;
    std::size_t offset = 2;
    auto filename = text_at(packet, offset);
    if (!filename)
        return std::nullopt;
    auto mode = text_at(packet, offset);
    if (!mode)
        return std::nullopt;
    return TftpRequest{static_cast<TftpOpcode>(*opcode), std::move(*filename), std::move(*mode)};
}

std::string describe_datagram(const Bytes& packet) {
    const std::string size = std::to_string(packet.size()) + " bytes";
    if (packet.size() >= 2 && packet[0] == 'Q' && (packet[1] == 'D' || packet[1] == 'Q'))
        return std::string(packet[1] == 'D' ? "QD" : "QQ") + " query, " + size;
    const auto opcode = tftp_opcode(packet).value_or(0);
    if (const auto request = parse_tftp_request(packet))
        return std::string(opcode == 1 ? "RRQ" : "WRQ") + " \"" + printable(request->filename) + "\" " +
               printable(request->mode) + ", " + size;
    const auto block = tftp_block(packet);
    if (opcode == 3 && block)
        return "DATA " + std::to_string(*block) + ", " + std::to_string(packet.size() - 4) + " data bytes";
    if (opcode == 4 && block)
        return "ACK " + std::to_string(*block);
    if (opcode == 5 && block) {
        std::size_t offset = 4;
        return "ERROR " + std::to_string(*block) + " \"" + printable(text_at(packet, offset).value_or("")) + "\"";
    }
    return "other datagram, " + size;
}

}  // namespace routersim
