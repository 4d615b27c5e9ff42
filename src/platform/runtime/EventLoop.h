#pragma once

#include <cstdint>
#include <functional>

#include "platform/runtime/Clock.h"

namespace fw {

enum class FdEvent : unsigned { Readable = 1, Writable = 2 };
inline unsigned operator|(FdEvent a, FdEvent b) { return unsigned(a) | unsigned(b); }

// The one event loop of the tool's single thread: timers, file-descriptor
// watches and posted work. Nested loops (modal windows, blocking network calls
// that keep the window alive) call run_until; waits that must dispatch nothing
// use the clock's sleep instead.
class EventLoop {
public:
    using Id = std::uint64_t;

    virtual ~EventLoop() = default;

    virtual Clock& clock() = 0;

    // A repeating timer; the callback runs every interval until stopped.
    virtual Id start_timer(std::uint32_t interval_ms, std::function<void()> on_timeout) = 0;
    virtual void stop_timer(Id id) = 0;

    // Calls back with the FdEvent bits that are ready while the watch exists.
    virtual Id watch_fd(int fd, unsigned events, std::function<void(unsigned ready)> on_ready) = 0;
    virtual void unwatch_fd(Id id) = 0;

    // Runs the task later from the loop, after the current event is handled.
    virtual void post(std::function<void()> task) = 0;

    // Dispatches everything that is ready now, without waiting.
    virtual void process_messages() = 0;

    // Dispatches events, waiting as needed, until done() is true or quit() is called.
    // Returns false when the loop was quit before done() became true.
    virtual bool run_until(const std::function<bool()>& done) = 0;

    // The main loop: runs until quit().
    virtual void run() = 0;
    // Ends run() and every nested run_until.
    virtual void quit() = 0;
    virtual bool quitting() const = 0;
};

}  // namespace fw
