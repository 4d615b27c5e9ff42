#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

// Wire formats of the discovery probes and their replies.

constexpr const char* PROBE_BROADCAST_ADDRESS = "255.255.255.255";
constexpr int PROBE_PORT = 9;   // "QD" and "QQ" queries
constexpr int PROBE_TFTP_PORT = 69;  // the read request for "VN"

// Probe kinds, as the probe routines number them.
constexpr int PROBE_QD = 1;  // broadcast query of devices running their firmware
constexpr int PROBE_VN = 2;  // TFTP read request for "VN", answered by a recovery loader
constexpr int PROBE_QQ = 3;  // directed query of one address

// "QD": 'Q' 'D' and two zero bytes.
constexpr std::uint8_t QD_QUERY[] = {0x51, 0x44, 0x00, 0x00};
// "QQ": 'Q' 'Q' and a zero byte.
constexpr std::uint8_t QQ_QUERY[] = {0x51, 0x51, 0x00};
// TFTP read request (opcode 1) for the file "VN" in mode "octet".
constexpr std::uint8_t VN_REQUEST[] = {0x00, 0x01, 'V', 'N', 0x00, 'o', 'c', 't', 'e', 't', 0x00};

// Read buffers: every reply is read into one of these, a longer datagram
// gives its first bytes.
constexpr std::size_t QD_REPLY_SIZE = 68;
constexpr std::size_t VN_REPLY_SIZE = 516;
constexpr std::size_t QQ_REPLY_SIZE = 32;

// Offsets of the texts in the replies.
constexpr std::size_t QD_DETAIL_OFFSET = 12;
constexpr std::size_t QD_MODULE_OFFSET = 44;
constexpr std::size_t VN_TEXT_OFFSET = 4;

// The marker a recovery loader's answer carries at VN_TEXT_OFFSET.
constexpr const char* RECOVERY_MARKER = "$Plumet";
constexpr std::size_t RECOVERY_MARKER_LENGTH = 7;

// The zero-terminated text at offset in the first received bytes of a reply:
// up to the first zero byte or the end of the bytes received, whichever
// comes first; empty when offset lies at or beyond the received length.
std::string reply_text(const std::uint8_t* data, std::size_t received, std::size_t offset);

// The reply carries the recovery marker at VN_TEXT_OFFSET, byte for byte
// within the bytes received.
bool has_recovery_marker(const std::uint8_t* data, std::size_t received);

}  // namespace fw
