#include "platform/runtime/Timer.h"

namespace fw {

Timer::Timer(EventLoop& loop, std::uint32_t interval_ms, bool enabled) : loop_(loop), interval_(interval_ms) {
    set_enabled(enabled);
}

Timer::~Timer() { stop(); }

void Timer::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_) start(); else stop();
}

void Timer::set_interval(std::uint32_t interval_ms) {
    if (interval_ms == interval_) return;
    interval_ = interval_ms;
    if (enabled_) {
        stop();
        start();
    }
}

void Timer::start() {
    if (interval_ == 0) return;  // a timer with no interval never ticks
    id_ = loop_.start_timer(interval_, [this] {
        if (on_timer) on_timer();
    });
}

void Timer::stop() {
    if (id_ != 0) loop_.stop_timer(id_);
    id_ = 0;
}

}  // namespace fw
