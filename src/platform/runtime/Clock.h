#pragma once

#include <cstdint>

namespace fw {

// The millisecond clock of the tool. now_ms wraps around at 2^32 like a
// millisecond tick counter, so callers compare times by unsigned difference.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t now_ms() = 0;
    // Blocks the thread without dispatching anything.
    virtual void sleep_ms(std::uint32_t ms) = 0;
};

}  // namespace fw
