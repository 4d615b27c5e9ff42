#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fw {

// Opcodes of the TFTP packets the recovery transfer sends and reads.
constexpr std::uint16_t TFTP_RRQ = 1;
constexpr std::uint16_t TFTP_WRQ = 2;
constexpr std::uint16_t TFTP_DATA = 3;
constexpr std::uint16_t TFTP_ACK = 4;
constexpr std::uint16_t TFTP_ERROR = 5;

// Every request and DATA block goes to this port of the device.
constexpr int TFTP_PORT = 69;
constexpr int TFTP_BLOCK_SIZE = 512;
constexpr std::size_t TFTP_HEADER_SIZE = 4;

// Room in the fixed buffers of the transfer, without the terminating zero.
constexpr std::size_t TFTP_MAX_PATH = 255;
constexpr std::size_t TFTP_MAX_REMOTE_NAME = 31;
// Block numbers are 16-bit and an acknowledgement is taken when its number
// plus 1 equals the next block's, so the final block may carry 65534 at most:
// a file may have 65,533 full blocks and a tail.
constexpr std::int64_t TFTP_MAX_FULL_BLOCKS = 65533;
constexpr std::int64_t TFTP_MAX_FILE_SIZE = TFTP_MAX_FULL_BLOCKS * TFTP_BLOCK_SIZE + (TFTP_BLOCK_SIZE - 1);

// Big-endian 16-bit fields of the wire format.
inline void put_u16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}
inline std::uint16_t get_u16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

// Writes a read or write request (opcode, name, zero, mode, zero) at out and
// returns its length; 0 when it does not fit into capacity bytes.
inline std::size_t tftp_request(std::uint8_t* out, std::size_t capacity, std::uint16_t opcode,
                                const std::string& name, const std::string& mode) {
    const std::size_t length = 2 + name.size() + 1 + mode.size() + 1;
    if (length > capacity) return 0;
    put_u16(out, opcode);
    std::memcpy(out + 2, name.data(), name.size());
    out[2 + name.size()] = 0;
    std::memcpy(out + 3 + name.size(), mode.data(), mode.size());
    out[length - 1] = 0;
    return length;
}

}  // namespace fw
