#include "platform/runtime/SystemClock.h"

#include <chrono>
#include <thread>

namespace fw {

std::uint32_t SystemClock::now_ms() {
    const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

void SystemClock::sleep_ms(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace fw
