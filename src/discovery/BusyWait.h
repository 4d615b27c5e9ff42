#pragma once

#include <cstdint>

namespace fw {

class Application;

// Whether a busy wait lets the application handle pending window messages.
enum class Pump { Off, On };

// Waits by reading the millisecond clock until more than ms have passed
// (unsigned difference, so the wrap of the clock does no harm). Each turn
// sleeps for one millisecond: on the real clock that keeps a core free, on a
// virtual clock it is what makes time pass. With Pump::Off nothing is
// dispatched while it waits.
void busy_wait(Application& app, std::uint32_t ms, Pump pump);

}  // namespace fw
