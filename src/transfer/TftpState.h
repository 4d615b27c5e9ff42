#pragma once

#include <cstdint>
#include <string>

#include "platform/files/File.h"

namespace fw {

// The state of the one recovery transfer that can run at a time.
struct TftpState {
    std::int32_t tftp_job = 0;          // entry being sent; SELECT_DONE or SELECT_NONE at the end
    bool transfer_open = false;         // an entry file was opened for sending
    std::uint16_t tftp_block = 0;       // number of the DATA block to send next
    // A write request or DATA block of the open file waits for its
    // acknowledgement. Cleared once the final block is acknowledged, so a
    // repeated or late acknowledgement can never move a finished file on.
    bool awaiting_ack = false;
    std::string tftp_mode = "octet";
    std::uint8_t tftp_packet[516] = {};
    std::uint8_t tftp_received[516] = {};
    File tftp_file;
    std::int32_t tftp_file_size = 0;
    std::int32_t tftp_full_blocks = 0;
    std::int32_t tftp_tail = 0;
    std::string tftp_path;              // at most 255 characters
    std::string tftp_remote_name;       // at most 31 characters
};

}  // namespace fw
