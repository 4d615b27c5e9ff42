#include "discovery/Probes.h"

#include <algorithm>
#include <cstring>

namespace fw {

std::string reply_text(const std::uint8_t* data, std::size_t received, std::size_t offset) {
    if (offset >= received) return {};
    const std::uint8_t* begin = data + offset;
    const std::uint8_t* end = std::find(begin, data + received, std::uint8_t{0});
    return std::string(begin, end);
}

bool has_recovery_marker(const std::uint8_t* data, std::size_t received) {
    // A datagram too short to hold the marker cannot carry it; the bytes of the
    // buffer beyond it are not part of this reply.
    if (received < VN_TEXT_OFFSET + RECOVERY_MARKER_LENGTH) return false;
    return std::memcmp(data + VN_TEXT_OFFSET, RECOVERY_MARKER, RECOVERY_MARKER_LENGTH) == 0;
}

}  // namespace fw
