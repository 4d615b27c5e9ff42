#pragma once

#include <string>

namespace fw::bench {

// The lines a recovery run writes, two per block: what a long System Log holds.
inline std::string log_line(long i) {
    return (i % 2 == 0 ? "Sent " + std::to_string(i / 2) + " .." : "Recv : " + std::to_string(i / 2));
}

// Lines appended in one timed batch, and the log sizes the batch starts from.
inline constexpr long kBatchLines = 1000;
inline constexpr long kSmallLog = 1000;
inline constexpr long kLargeLog = 100000;

}  // namespace fw::bench
