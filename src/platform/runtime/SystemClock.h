#pragma once

#include "platform/runtime/Clock.h"

namespace fw {

// The real monotonic clock.
class SystemClock final : public Clock {
public:
    std::uint32_t now_ms() override;
    void sleep_ms(std::uint32_t ms) override;
};

}  // namespace fw
