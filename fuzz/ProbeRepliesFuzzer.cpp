// The readers of the discovery replies on one datagram of any length, read as
// each probe reads it: the first 68, 516 or 32 bytes into a buffer of that size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "discovery/Probes.h"

namespace {

void check_text(const std::uint8_t* buffer, std::size_t received, std::size_t offset)
{
    const std::string text = fw::reply_text(buffer, received, offset);
    if (offset >= received) {
        FUZZ_CHECK(text.empty());
        return;
    }
    // The bytes from the offset up to the first zero byte, never beyond the bytes received.
    FUZZ_CHECK(text.size() <= received - offset);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
    FUZZ_CHECK(std::memcmp(text.data(), buffer + offset, text.size()) == 0);
    FUZZ_CHECK(offset + text.size() == received || buffer[offset + text.size()] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const std::size_t buffer_size : {fw::QD_REPLY_SIZE, fw::VN_REPLY_SIZE, fw::QQ_REPLY_SIZE}) {
        // Only the bytes received are valid: the buffer is exactly that long.
        const std::size_t received = std::min(size, buffer_size);
        std::vector<std::uint8_t> buffer(data, data + received);
        check_text(buffer.data(), received, fw::QD_DETAIL_OFFSET);
        check_text(buffer.data(), received, fw::QD_MODULE_OFFSET);
        check_text(buffer.data(), received, fw::VN_TEXT_OFFSET);
        const bool marker = fw::has_recovery_marker(buffer.data(), received);
        FUZZ_CHECK(marker == (received >= fw::VN_TEXT_OFFSET + fw::RECOVERY_MARKER_LENGTH &&
                              std::memcmp(buffer.data() + fw::VN_TEXT_OFFSET, fw::RECOVERY_MARKER,
                                          fw::RECOVERY_MARKER_LENGTH) == 0));
    }
    return 0;
}
