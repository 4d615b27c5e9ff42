#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "routersim/Datagram.h"

namespace routersim {

// TFTP packets (RFC 1350): opcodes, building and parsing. All 16-bit fields
// are big-endian.
enum class TftpOpcode : std::uint16_t { ReadRequest = 1, WriteRequest = 2, Data = 3, Ack = 4, Error = 5 };

struct TftpRequest {
    TftpOpcode opcode = TftpOpcode::ReadRequest;
    std::string filename;
    std::string mode;
};

Bytes tftp_request(TftpOpcode opcode, const std::string& filename, const std::string& mode = "octet");
Bytes tftp_data(std::uint16_t block, const Bytes& data);
Bytes tftp_ack(std::uint16_t block);
Bytes tftp_error(std::uint16_t code, const std::string& message);

// The opcode of a packet, or nothing when it is shorter than two bytes.
std::optional<std::uint16_t> tftp_opcode(const Bytes& packet);
// Bytes 2 and 3 of a DATA, ACK or ERROR packet.
std::optional<std::uint16_t> tftp_block(const Bytes& packet);
// A read or write request whose file name and mode are both zero-terminated.
std::optional<TftpRequest> parse_tftp_request(const Bytes& packet);

// One short line describing a probe or TFTP datagram, for logs.
std::string describe_datagram(const Bytes& packet);

}  // namespace routersim
