#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "platform/runtime/EventLoop.h"
#include "platform/qt/BlockingAwareClock.h"

namespace fw {

// The event loop of the real window, on Qt's event dispatcher: timers, socket
// notifiers and queued calls. Nested waits dispatch Qt events until their
// condition holds, so windows keep painting and timers keep ticking. Needs a
// QApplication (see QtApplicationHost) to exist for its whole life. Its clock
// is the real one.
class QtEventLoop final : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    Clock& clock() override { return clock_; }
    // The same clock, for the window binding to learn of waits that dispatch nothing.
    BlockingAwareClock& blocking_aware_clock() { return clock_; }

    Id start_timer(std::uint32_t interval_ms, std::function<void()> on_timeout) override;
    void stop_timer(Id id) override;
    Id watch_fd(int fd, unsigned events, std::function<void(unsigned ready)> on_ready) override;
    void unwatch_fd(Id id) override;
    void post(std::function<void()> task) override;
    void process_messages() override;
    bool run_until(const std::function<bool()>& done) override;
    void run() override;
    void quit() override;
    bool quitting() const override { return quitting_; }

    // Where exceptions escaping a timer, watch or posted task go: Qt cannot
    // carry them through its dispatcher. The program entry shows them with the
    // application's exception display; without a handler they go to stderr.
    void set_exception_handler(std::function<void(const std::exception&)> handler);
    // Runs a callback of this loop, handing any exception to the handler.
    void guarded(const std::function<void()>& call) const;

    // Called once when quit() is asked, so that dialogs running a loop of
    // their own (message boxes, the file dialog) close with the others.
    Id on_quit(std::function<void()> hook);
    void remove_on_quit(Id id);

private:
    struct Impl;

    BlockingAwareClock clock_;
    std::unique_ptr<Impl> impl_;
    bool quitting_ = false;
};

}  // namespace fw
