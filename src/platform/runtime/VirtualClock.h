#pragma once

#include <cstdint>

#include "platform/runtime/Clock.h"

namespace fw {

// A clock that only moves when told to. Sleeping moves it on at once, so a
// 16-second watchdog costs nothing in a test.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint64_t start_ms = 1000) : now_(start_ms) {}

    std::uint32_t now_ms() override { return static_cast<std::uint32_t>(now_); }
    void sleep_ms(std::uint32_t ms) override { now_ += ms; }

    void advance(std::uint64_t ms) { now_ += ms; }
    void advance_to(std::uint64_t ms) { if (ms > now_) now_ = ms; }
    // Full 64-bit time, never wrapping; used by the headless loop for deadlines.
    std::uint64_t elapsed_ms() const { return now_; }

private:
    std::uint64_t now_;
};

}  // namespace fw
