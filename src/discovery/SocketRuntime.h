#pragma once

#include <cstdint>

namespace fw {

class Dialogs;

// What the start-up of the socket library reports: its version word, major
// version in the low byte and minor version in the high byte.
struct SocketStartupData {
    std::uint16_t version = 0;
};

// The version the subnet check asks for: 2.0.
constexpr std::uint16_t SOCKETS_VERSION_2_0 = 0x0002;

// Start-up and clean-up of the socket library. POSIX sockets need neither,
// so here the start-up always succeeds and reports version 2.0, the clean-up
// always succeeds and no call is ever blocking.
int socket_startup(std::uint16_t requested_version, SocketStartupData& data);
int socket_cleanup();
bool socket_call_blocking();
void cancel_blocking_socket_call();

// Judges a start-up's outcome as the subnet check needs it: 0 when ready;
// otherwise the start-up's error code, or -1 for a version below 2.0 (the
// words compared as unsigned numbers, so 1.1, word 0x0101, passes). Each
// failure shows its error message dialog with one OK button.
int check_socket_startup(int result, const SocketStartupData& data, Dialogs& dialogs);

}  // namespace fw
