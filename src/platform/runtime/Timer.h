#pragma once

#include <cstdint>
#include <functional>

#include "platform/runtime/EventLoop.h"

namespace fw {

// A timer component. Enabling a running timer does not restart it; disabling
// and enabling again, or changing the interval, starts a new interval.
class Timer {
public:
    explicit Timer(EventLoop& loop, std::uint32_t interval_ms = 1000, bool enabled = false);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void set_enabled(bool enabled);
    bool enabled() const { return enabled_; }
    void set_interval(std::uint32_t interval_ms);
    std::uint32_t interval() const { return interval_; }

    std::function<void()> on_timer;

private:
    void start();
    void stop();

    EventLoop& loop_;
    std::uint32_t interval_;
    bool enabled_ = false;
    EventLoop::Id id_ = 0;
};

}  // namespace fw
