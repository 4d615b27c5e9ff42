// The event loop on Qt's dispatcher: timers, watches, posted work, nested
// waits and quitting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <unistd.h>

#include <string>
#include <vector>

#include "GuiTestApp.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/Timer.h"

namespace fw {
namespace {

class QtEventLoopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::gui_app(); }
    QtEventLoop loop;
};

TEST_F(QtEventLoopTest, RepeatingTimerTicksUntilStopped) {
    int ticks = 0;
    EventLoop::Id id = 0;
    id = loop.start_timer(5, [&] {
        if (++ticks == 3) loop.stop_timer(id);
    });
    EXPECT_TRUE(loop.run_until([&] { return ticks == 3; }));
    // Stopped from its own tick: no further ticks.
    int more = 0;
    loop.start_timer(30, [&] { ++more; });
    loop.run_until([&] { return more == 1; });
    EXPECT_EQ(ticks, 3);
}

TEST_F(QtEventLoopTest, TimerTicksAgainInsideANestedWaitOfItsOwnTick) {
    int ticks = 0;
    bool nested_done = false;
    const EventLoop::Id id = loop.start_timer(5, [&] {
        ++ticks;
        if (ticks == 1) nested_done = loop.run_until([&] { return ticks >= 3; });
    });
    loop.run_until([&] { return nested_done; });
    loop.stop_timer(id);
    EXPECT_GE(ticks, 3);
}

TEST_F(QtEventLoopTest, ComponentTimerKeepsItsIntervalWhenEnabledAgain) {
    Timer t(loop, 10);
    int ticks = 0;
    t.on_timer = [&] { ++ticks; };
    t.set_enabled(true);
    EXPECT_TRUE(loop.run_until([&] { return ticks == 2; }));
    t.set_enabled(false);
}

TEST_F(QtEventLoopTest, PostedTasksRunLaterInOrder) {
    std::vector<int> order;
    loop.post([&] { order.push_back(1); });
    loop.post([&] { order.push_back(2); });
    order.push_back(0);
    loop.process_messages();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(QtEventLoopTest, WatchReportsReadableDescriptor) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    unsigned seen = 0;
    const EventLoop::Id id = loop.watch_fd(fds[0], unsigned(FdEvent::Readable), [&](unsigned ready) { seen |= ready; });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_TRUE(loop.run_until([&] { return seen != 0; }));
    EXPECT_EQ(seen, unsigned(FdEvent::Readable));
    loop.unwatch_fd(id);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(QtEventLoopTest, WatchReportsWritableAndCanBeRemovedFromItsCallback) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int calls = 0;
    EventLoop::Id id = 0;
    id = loop.watch_fd(fds[1], unsigned(FdEvent::Writable), [&](unsigned ready) {
        EXPECT_EQ(ready, unsigned(FdEvent::Writable));
        ++calls;
        loop.unwatch_fd(id);
    });
    EXPECT_TRUE(loop.run_until([&] { return calls == 1; }));
    // A later turn of the loop: the removed watch stays silent.
    bool later = false;
    loop.start_timer(20, [&] { later = true; });
    loop.run_until([&] { return later; });
    EXPECT_EQ(calls, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(QtEventLoopTest, QuitEndsNestedWaitsAndTheMainLoop) {
    std::vector<std::string> trace;
    loop.post([&] {
        trace.push_back("nested");
        const bool done = loop.run_until([] { return false; });
        trace.push_back(done ? "nested done" : "nested quit");
    });
    loop.start_timer(10, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(trace, (std::vector<std::string>{"nested", "nested quit"}));
    EXPECT_TRUE(loop.quitting());
    EXPECT_FALSE(loop.run_until([] { return true; }));
}

TEST_F(QtEventLoopTest, ExceptionsFromCallbacksGoToTheHandler) {
    std::vector<std::string> seen;
    loop.set_exception_handler([&](const std::exception& e) { seen.push_back(e.what()); });
    loop.post([] { throw ESocketError("Address not available"); });
    bool after = false;
    loop.post([&] { after = true; });
    loop.run_until([&] { return after; });
    EXPECT_EQ(seen, (std::vector<std::string>{"Address not available"}));
}

}  // namespace
}  // namespace fw
