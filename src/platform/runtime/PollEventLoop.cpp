#include "platform/runtime/PollEventLoop.h"

#include <poll.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/runtime/SystemClock.h"
#include "platform/runtime/VirtualClock.h"

namespace fw {

PollEventLoop::PollEventLoop() : own_clock_(std::make_unique<SystemClock>()), clock_(own_clock_.get()) {
    last_real_ = clock_->now_ms();
}

PollEventLoop::PollEventLoop(VirtualClock& clock) : clock_(&clock), virtual_clock_(&clock) {}

PollEventLoop::~PollEventLoop() = default;

std::uint64_t PollEventLoop::now() {
    if (virtual_clock_) return virtual_clock_->elapsed_ms();
    // Widen the 32-bit real clock so deadlines survive its wrap-around.
    const std::uint32_t real = clock_->now_ms();
    real_base_ += static_cast<std::uint32_t>(real - last_real_);
    last_real_ = real;
    return real_base_;
}

EventLoop::Id PollEventLoop::start_timer(std::uint32_t interval_ms, std::function<void()> on_timeout) {
    const Id id = next_id_++;
    TimerEntry entry;
    entry.interval = std::max<std::uint32_t>(interval_ms, 1);
    entry.due = now() + entry.interval;
    entry.callback = std::make_shared<std::function<void()>>(std::move(on_timeout));
    timers_.emplace(id, std::move(entry));
    return id;
}

void PollEventLoop::stop_timer(Id id) { timers_.erase(id); }

EventLoop::Id PollEventLoop::watch_fd(int fd, unsigned events, std::function<void(unsigned)> on_ready) {
    const Id id = next_id_++;
    watches_.emplace(id, WatchEntry{fd, events, std::make_shared<std::function<void(unsigned)>>(std::move(on_ready))});
    return id;
}

void PollEventLoop::unwatch_fd(Id id) { watches_.erase(id); }

void PollEventLoop::post(std::function<void()> task) { posted_.push_back(std::move(task)); }

bool PollEventLoop::run_posted() {
    // Only the tasks queued so far: a task that posts another leaves it for the next turn.
    std::size_t pending = posted_.size();
    bool ran = false;
    while (pending-- > 0 && !posted_.empty()) {
        auto task = std::move(posted_.front());
        posted_.pop_front();
        task();
        ran = true;
    }
    return ran;
}

bool PollEventLoop::fire_due_timers() {
    const std::uint64_t t = now();
    std::vector<Id> due;
    for (const auto& [id, entry] : timers_)
        if (entry.due <= t) due.push_back(id);
    std::sort(due.begin(), due.end(), [this](Id a, Id b) { return timers_[a].due < timers_[b].due; });
    bool fired = false;
    for (Id id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;  // stopped by an earlier callback
        // Like a message-driven timer: one tick however late, the next one an interval from now.
        it->second.due = t + it->second.interval;
        auto callback = it->second.callback;
        (*callback)();
        fired = true;
    }
    return fired;
}

bool PollEventLoop::poll_fds(int timeout_ms) {
    if (watches_.empty()) {
        if (timeout_ms > 0) clock_->sleep_ms(static_cast<std::uint32_t>(timeout_ms));
        return false;
    }
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    for (const auto& [id, w] : watches_) {
        short ev = 0;
        if (w.events & unsigned(FdEvent::Readable)) ev |= POLLIN;
        if (w.events & unsigned(FdEvent::Writable)) ev |= POLLOUT;
        fds.push_back(pollfd{w.fd, ev, 0});
        ids.push_back(id);
    }
    const int n = ::poll(fds.data(), fds.size(), timeout_ms);
    if (n <= 0) return false;
    bool any = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        auto it = watches_.find(ids[i]);
        if (it == watches_.end()) continue;
        unsigned ready = 0;
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) ready |= unsigned(FdEvent::Readable);
        if (fds[i].revents & (POLLOUT | POLLERR)) ready |= unsigned(FdEvent::Writable);
        ready &= it->second.events | unsigned(FdEvent::Readable);
        auto callback = it->second.callback;
        (*callback)(ready);
        any = true;
    }
    return any;
}

void PollEventLoop::process_messages() {
    run_posted();
    fire_due_timers();
    poll_fds(0);
}

void PollEventLoop::wait_for_next_event() {
    if (!posted_.empty()) return;
    std::uint64_t next_due = std::numeric_limits<std::uint64_t>::max();
    for (const auto& [id, entry] : timers_) next_due = std::min(next_due, entry.due);
    const std::uint64_t t = now();
    if (virtual_clock_) {
        // Real descriptors can still become ready (a test may mix both); look once.
        if (poll_fds(0)) return;
        if (next_due != std::numeric_limits<std::uint64_t>::max()) virtual_clock_->advance_to(next_due);
        return;
    }
    int timeout = -1;
    if (next_due != std::numeric_limits<std::uint64_t>::max())
        timeout = next_due <= t ? 0 : static_cast<int>(std::min<std::uint64_t>(next_due - t, 1000));
    else if (watches_.empty())
        timeout = 10;  // nothing can happen but a quit from a signal; look again soon
    poll_fds(timeout);
}

bool PollEventLoop::run_until(const std::function<bool()>& done) {
    while (!quitting_) {
        if (done()) return true;
        const bool any = run_posted() | fire_due_timers() | poll_fds(0);
        if (done()) return true;
        if (quitting_) break;
        if (!any) {
            if (virtual_clock_ && posted_.empty() && timers_.empty() && !poll_fds(0)) {
                // Nothing can ever happen on a virtual clock: waiting would hang the test.
                return false;
            }
            wait_for_next_event();
        }
    }
    return false;
}

void PollEventLoop::run() {
    run_until([] { return false; });
}

void PollEventLoop::run_for(std::uint32_t ms) {
    const std::uint64_t end = now() + ms;
    if (virtual_clock_) {
        // A timer due exactly at the end still fires.
        const Id guard = start_timer(ms, [] {});
        run_until([&] { return now() >= end; });
        stop_timer(guard);
        process_messages();
        return;
    }
    run_until([&] { return now() >= end; });
}

bool PollEventLoop::idle() const { return timers_.empty() && watches_.empty() && posted_.empty(); }

}  // namespace fw
