#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/TForm.h"
#include "support/HeadlessApp.h"

namespace fw {
namespace {

struct TimerFixture : ::testing::Test {
    VirtualClock clock{0};
    PollEventLoop loop{clock};
    std::vector<std::uint64_t> ticks;
    Timer timer{loop, 1000};
    void SetUp() override {
        timer.on_timer = [this] { ticks.push_back(clock.elapsed_ms()); };
    }
};

TEST_F(TimerFixture, TicksEveryIntervalWhileEnabled) {
    timer.set_enabled(true);
    loop.run_for(3500);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000, 2000, 3000}));
}

TEST_F(TimerFixture, EnablingARunningTimerDoesNotRestartIt) {
    timer.set_enabled(true);
    loop.run_for(700);
    timer.set_enabled(true);
    loop.run_for(400);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000}));
}

TEST_F(TimerFixture, DisablingAndEnablingRestartsTheInterval) {
    timer.set_enabled(true);
    loop.run_for(700);
    timer.set_enabled(false);
    timer.set_enabled(true);
    loop.run_for(900);
    EXPECT_TRUE(ticks.empty());
    loop.run_for(200);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1700}));
}

TEST_F(TimerFixture, ChangingTheIntervalRestartsARunningTimer) {
    timer.set_enabled(true);
    loop.run_for(600);
    timer.set_interval(500);
    loop.run_for(1000);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1100, 1600}));
}

TEST_F(TimerFixture, ADisabledTimerNeverTicks) {
    loop.run_for(5000);
    EXPECT_TRUE(ticks.empty());
}

TEST_F(TimerFixture, ATimerStoppedByItsOwnHandlerTicksOnce) {
    timer.on_timer = [this] {
        ticks.push_back(clock.elapsed_ms());
        timer.set_enabled(false);
    };
    timer.set_enabled(true);
    loop.run_for(5000);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST(VirtualClock, WrapsLikeAMillisecondTickCounter) {
    VirtualClock clock(0xFFFFFFFFull - 5);
    const std::uint32_t start = clock.now_ms();
    clock.sleep_ms(10);
    EXPECT_LT(clock.now_ms(), start);
    EXPECT_EQ(std::uint32_t(clock.now_ms() - start), 10u);
}

TEST(PollEventLoop, NestedRunUntilDispatchesTimersOfTheOuterLevel) {
    VirtualClock clock{0};
    PollEventLoop loop{clock};
    Timer outer(loop, 100);
    int outer_ticks = 0;
    outer.on_timer = [&] { ++outer_ticks; };
    outer.set_enabled(true);
    bool done = false;
    Timer closer(loop, 1000);
    closer.on_timer = [&] { done = true; };
    closer.set_enabled(true);
    EXPECT_TRUE(loop.run_until([&] { return done; }));
    EXPECT_EQ(outer_ticks, 10);
    EXPECT_EQ(clock.elapsed_ms(), 1000u);
}

TEST(PollEventLoop, PostedWorkRunsAfterTheCurrentEventInOrder) {
    VirtualClock clock{0};
    PollEventLoop loop{clock};
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
    });
    loop.post([&] { order.push_back(2); });
    loop.process_messages();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    loop.process_messages();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(PollEventLoop, RunUntilGivesUpWhenNothingCanEverHappen) {
    VirtualClock clock{0};
    PollEventLoop loop{clock};
    EXPECT_FALSE(loop.run_until([] { return false; }));
}

TEST(PollEventLoop, QuitEndsNestedLoops) {
    VirtualClock clock{0};
    PollEventLoop loop{clock};
    Timer t(loop, 50);
    t.on_timer = [&] { loop.quit(); };
    t.set_enabled(true);
    EXPECT_FALSE(loop.run_until([] { return false; }));
    EXPECT_TRUE(loop.quitting());
}

// A small form to watch modal runs and release.
struct ProbeForm : TForm {
    explicit ProbeForm(Application& app) : TForm(app, "ProbeForm") {}
    ~ProbeForm() override {
        if (destroyed) *destroyed = true;
    }
    bool* destroyed = nullptr;
};

TEST(Forms, ShowModalRunsANestedLoopUntilTheFormCloses) {
    test::HeadlessApp h;
    auto& main = h.app.CreateForm<ProbeForm>();
    (void)main;
    ProbeForm dialog(h.app);
    Timer closer(h.loop, 20);
    closer.on_timer = [&] {
        closer.set_enabled(false);
        dialog.set_modal_result(mrOk);
    };
    closer.set_enabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(h.clock.elapsed_ms(), 1020u);
}

TEST(Forms, CloseEndsAModalRunWithCancel) {
    test::HeadlessApp h;
    h.app.CreateForm<ProbeForm>();
    ProbeForm dialog(h.app);
    h.loop.post([&] { dialog.Close(); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(Forms, ReleaseDestroysTheFormOnlyAfterTheCurrentEvent) {
    test::HeadlessApp h;
    auto& main = h.app.CreateForm<ProbeForm>();
    auto& other = h.app.CreateForm<ProbeForm>();
    bool destroyed = false;
    other.destroyed = &destroyed;
    const TForm::Guard guard = other.guard();
    other.Release();
    EXPECT_FALSE(destroyed);
    EXPECT_FALSE(guard.alive());
    h.loop.process_messages();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(h.app.terminated());
    (void)main;
}

TEST(Forms, ReleasingTheMainFormEndsTheApplication) {
    test::HeadlessApp h;
    auto& main = h.app.CreateForm<ProbeForm>();
    main.Release();
    h.loop.process_messages();
    EXPECT_TRUE(h.app.terminated());
}

TEST(Forms, ClosingTheMainFormEndsTheApplication) {
    test::HeadlessApp h;
    auto& main = h.app.CreateForm<ProbeForm>();
    main.Show();
    main.Close();
    EXPECT_TRUE(h.app.terminated());
    EXPECT_FALSE(main.visible());
}

TEST(Forms, SystemCommandsReachTheDefaultHandler) {
    test::HeadlessApp h;
    auto& main = h.app.CreateForm<ProbeForm>();
    main.system_command(SC_MINIMIZE);
    EXPECT_EQ(main.window_state(), WindowState::Minimized);
    main.system_command(SC_RESTORE);
    EXPECT_EQ(main.window_state(), WindowState::Normal);
    main.system_command(SC_CLOSE);
    EXPECT_TRUE(h.app.terminated());
}

TEST(ScriptedDialogs, RecordsBoxesAndLetsTimePassWhileOpen) {
    test::HeadlessApp h;
    h.dialogs.set_open_time(2500);
    h.dialogs.answer(IDCANCEL);
    Timer t(h.loop, 1000);
    int ticks = 0;
    t.on_timer = [&] { ++ticks; };
    t.set_enabled(true);
    EXPECT_EQ(h.app.MessageBox("Do you really want to EXIT?", "Upgrade Not Complete", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(h.app.MessageBox("second", "box", MB_OK), IDOK);
    ASSERT_EQ(h.dialogs.calls().size(), 2u);
    EXPECT_EQ(h.dialogs.calls()[0].flags, MB_OKCANCEL);
    EXPECT_EQ(h.dialogs.boxes()[0], "Upgrade Not Complete|Do you really want to EXIT?");
}

}  // namespace
}  // namespace fw
