#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/runtime/EventLoop.h"

namespace fw {

class VirtualClock;

// The headless event loop, on poll(2). On a real clock it waits in poll until
// the next timer; on a virtual clock it never waits: when nothing is ready it
// moves the clock on to the next timer at once.
class PollEventLoop final : public EventLoop {
public:
    // A loop on the real monotonic clock.
    PollEventLoop();
    // A loop on a virtual clock that the caller owns.
    explicit PollEventLoop(VirtualClock& clock);
    ~PollEventLoop() override;

    Clock& clock() override { return *clock_; }

    Id start_timer(std::uint32_t interval_ms, std::function<void()> on_timeout) override;
    void stop_timer(Id id) override;
    Id watch_fd(int fd, unsigned events, std::function<void(unsigned ready)> on_ready) override;
    void unwatch_fd(Id id) override;
    void post(std::function<void()> task) override;
    void process_messages() override;
    bool run_until(const std::function<bool()>& done) override;
    void run() override;
    void quit() override { quitting_ = true; }
    bool quitting() const override { return quitting_; }

    // Runs the loop for the given time of its clock (tests: let virtual time pass).
    void run_for(std::uint32_t ms);
    // True when the loop has no timer, watch or posted task left.
    bool idle() const;

private:
    struct TimerEntry {
        std::uint32_t interval = 0;
        std::uint64_t due = 0;
        std::shared_ptr<std::function<void()>> callback;
    };
    struct WatchEntry {
        int fd = -1;
        unsigned events = 0;
        std::shared_ptr<std::function<void(unsigned)>> callback;
    };

    std::uint64_t now();
    bool run_posted();
    bool fire_due_timers();
    bool poll_fds(int timeout_ms);
    // Waits for (real clock) or jumps to (virtual clock) the next event.
    void wait_for_next_event();

    std::unique_ptr<Clock> own_clock_;
    Clock* clock_ = nullptr;
    VirtualClock* virtual_clock_ = nullptr;
    std::uint64_t real_base_ = 0;
    std::uint32_t last_real_ = 0;

    Id next_id_ = 1;
    std::map<Id, TimerEntry> timers_;
    std::map<Id, WatchEntry> watches_;
    std::deque<std::function<void()>> posted_;
    bool quitting_ = false;
};

}  // namespace fw
