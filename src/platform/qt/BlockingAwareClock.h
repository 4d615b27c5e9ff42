#pragma once

#include <functional>

#include "platform/runtime/SystemClock.h"

namespace fw {

// The real clock, telling a listener whenever the thread looks at it or
// sleeps: that is what waits which dispatch nothing (busy waits, sleeps) do,
// so a window can bring the screen up to date before and during them.
class BlockingAwareClock final : public Clock {
public:
    enum class Use { Read, Sleep };

    std::uint32_t now_ms() override {
        if (on_use) on_use(Use::Read);
        return clock_.now_ms();
    }
    void sleep_ms(std::uint32_t ms) override {
        if (on_use) on_use(Use::Sleep);
        clock_.sleep_ms(ms);
    }

    std::function<void(Use)> on_use;

private:
    SystemClock clock_;
};

}  // namespace fw
