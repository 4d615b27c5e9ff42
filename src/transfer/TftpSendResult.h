#pragma once

namespace fw {

// Results of tftp_send_file.
constexpr int TFTP_SENT = 1;         // the file is open and its write request was sent
constexpr int TFTP_OPEN_ERROR = -1;  // the file cannot be opened; the run stalls until the watchdog
constexpr int TFTP_REFUSED = -2;     // the file cannot be sent at all; the run was ended and the user told why

}  // namespace fw
