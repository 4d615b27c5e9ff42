#include "platform/qt/QtEventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimerEvent>

#include <iostream>
#include <map>
#include <stdexcept>
#include <vector>

namespace fw {

namespace {

// Receives the Qt timer events of the loop's timers.
class TimerHost final : public QObject {
public:
    std::function<void(int)> on_timer_event;

protected:
    void timerEvent(QTimerEvent* event) override {
        if (on_timer_event) on_timer_event(event->timerId());
    }
};

}  // namespace

struct QtEventLoop::Impl {
    struct TimerEntry {
        int qt_id = 0;
        int interval = 1;
        std::shared_ptr<std::function<void()>> callback;
    };
    struct WatchEntry {
        QPointer<QSocketNotifier> read;
        QPointer<QSocketNotifier> write;
        std::shared_ptr<std::function<void(unsigned)>> callback;
    };

    TimerHost host;
    Id next_id = 1;
    std::map<Id, TimerEntry> timers;
    std::map<int, Id> timer_by_qt_id;
    std::map<Id, WatchEntry> watches;
    std::map<Id, std::function<void()>> quit_hooks;
    QEventLoop* main_loop = nullptr;
    std::function<void(const std::exception&)> on_exception;

    void drop_notifier(QPointer<QSocketNotifier>& n) {
        if (!n) return;
        // It may be the sender whose signal is being delivered right now.
        n->setEnabled(false);
        n->deleteLater();
        n = nullptr;
    }
};

QtEventLoop::QtEventLoop() : impl_(std::make_unique<Impl>()) {
    impl_->host.on_timer_event = [this](int qt_id) {
        auto by_qt = impl_->timer_by_qt_id.find(qt_id);
        if (by_qt == impl_->timer_by_qt_id.end()) return;
        const Id id = by_qt->second;
        impl_->timer_by_qt_id.erase(by_qt);
        auto& entry = impl_->timers.at(id);
        // A fresh Qt timer for the next tick: Qt never delivers a timer to
        // itself while its event is being handled, but a nested loop inside
        // this tick must see the timer tick again, as the headless loop does.
        impl_->host.killTimer(qt_id);
        entry.qt_id = impl_->host.startTimer(entry.interval, Qt::PreciseTimer);
        impl_->timer_by_qt_id[entry.qt_id] = id;
        auto callback = entry.callback;
        guarded(*callback);
    };
}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, entry] : impl_->timers) impl_->host.killTimer(entry.qt_id);
    for (auto& [id, w] : impl_->watches) {
        delete w.read.data();
        delete w.write.data();
    }
}

void QtEventLoop::set_exception_handler(std::function<void(const std::exception&)> handler) {
    impl_->on_exception = std::move(handler);
}

void QtEventLoop::guarded(const std::function<void()>& call) const {
    auto report = [this](const std::exception& e) {
        if (impl_->on_exception) impl_->on_exception(e);
        else std::cerr << e.what() << '\n';
    };
    try {
        call();
    } catch (const std::exception& e) {
        report(e);
    } catch (...) {
        report(std::runtime_error("Unknown exception"));
    }
}

EventLoop::Id QtEventLoop::start_timer(std::uint32_t interval_ms, std::function<void()> on_timeout) {
    const Id id = impl_->next_id++;
    Impl::TimerEntry entry;
    entry.interval = static_cast<int>(std::max<std::uint32_t>(1, std::min<std::uint32_t>(interval_ms, 0x7FFFFFFF)));
    entry.callback = std::make_shared<std::function<void()>>(std::move(on_timeout));
    entry.qt_id = impl_->host.startTimer(entry.interval, Qt::PreciseTimer);
    impl_->timer_by_qt_id[entry.qt_id] = id;
    impl_->timers.emplace(id, std::move(entry));
    return id;
}

void QtEventLoop::stop_timer(Id id) {
    auto it = impl_->timers.find(id);
    if (it == impl_->timers.end()) return;
    impl_->host.killTimer(it->second.qt_id);
    impl_->timer_by_qt_id.erase(it->second.qt_id);
    impl_->timers.erase(it);
}

EventLoop::Id QtEventLoop::watch_fd(int fd, unsigned events, std::function<void(unsigned)> on_ready) {
    const Id id = impl_->next_id++;
    Impl::WatchEntry entry;
    entry.callback = std::make_shared<std::function<void(unsigned)>>(std::move(on_ready));
    auto deliver = [this, id](unsigned ready) {
        auto it = impl_->watches.find(id);
        if (it == impl_->watches.end()) return;  // removed while this event was queued
        auto callback = it->second.callback;
        guarded([&] { (*callback)(ready); });
    };
    if (events & unsigned(FdEvent::Readable)) {
        entry.read = new QSocketNotifier(fd, QSocketNotifier::Read, &impl_->host);
        QObject::connect(entry.read, &QSocketNotifier::activated, &impl_->host,
                         [deliver] { deliver(unsigned(FdEvent::Readable)); });
    }
    if (events & unsigned(FdEvent::Writable)) {
        entry.write = new QSocketNotifier(fd, QSocketNotifier::Write, &impl_->host);
        QObject::connect(entry.write, &QSocketNotifier::activated, &impl_->host,
                         [deliver] { deliver(unsigned(FdEvent::Writable)); });
    }
    impl_->watches.emplace(id, std::move(entry));
    return id;
}

void QtEventLoop::unwatch_fd(Id id) {
    auto it = impl_->watches.find(id);
    if (it == impl_->watches.end()) return;
    impl_->drop_notifier(it->second.read);
    impl_->drop_notifier(it->second.write);
    impl_->watches.erase(it);
}

void QtEventLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        &impl_->host, [this, task = std::move(task)] { guarded(task); }, Qt::QueuedConnection);
}

void QtEventLoop::process_messages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool QtEventLoop::run_until(const std::function<bool()>& done) {
    // Each pass handles what is ready, waiting for it when nothing is, so the
    // condition is looked at again after every batch of events. Objects that
    // ask for deferred deletion inside this wait are deleted only once the
    // event that started it has returned, which keeps released windows alive
    // for the code still unwinding through them.
    while (!quitting_) {
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return false;
}

void QtEventLoop::run() {
    if (quitting_) return;
    QEventLoop loop;
    impl_->main_loop = &loop;
    loop.exec();
    impl_->main_loop = nullptr;
}

void QtEventLoop::quit() {
    if (quitting_) return;
    quitting_ = true;
    if (impl_->main_loop) impl_->main_loop->exit(0);
    std::vector<std::function<void()>> hooks;
    for (auto& [id, hook] : impl_->quit_hooks) hooks.push_back(hook);
    for (auto& hook : hooks) guarded(hook);
    // A nested wait may be blocked in the dispatcher: let it look again.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

EventLoop::Id QtEventLoop::on_quit(std::function<void()> hook) {
    const Id id = impl_->next_id++;
    impl_->quit_hooks.emplace(id, std::move(hook));
    return id;
}

void QtEventLoop::remove_on_quit(Id id) { impl_->quit_hooks.erase(id); }

}  // namespace fw
