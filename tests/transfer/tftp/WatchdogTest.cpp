#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "transfer/tftp/RecoveryHarness.h"

namespace fw {
namespace {

using test::RecoveryHarness;

bool exists(const std::string& path) { return std::filesystem::exists(path); }

TEST(Watchdog, CountsEachTickInTheLog) {
    RecoveryHarness h;
    h.w->StopTimer1.set_enabled(true);
    h.run_for(3000);
    EXPECT_EQ(h.log_lines_starting("Stop Counter = "),
              (std::vector<std::string>{"Stop Counter = 1", "Stop Counter = 2", "Stop Counter = 3"}));
    EXPECT_EQ(h.w->stop_counter, 3);
}

TEST(Watchdog, FifteenTicksAndAResetLeaveTheWindowStanding) {
    RecoveryHarness h;
    h.w->StopTimer1.set_enabled(true);
    h.run_for(15000);
    h.w->stop_counter = 0;
    h.run_for(15000);
    EXPECT_TRUE(h.window_alive());
    EXPECT_FALSE(h.app.terminated());
    EXPECT_TRUE(h.dialogs.calls().empty());
}

TEST(Watchdog, SixteenTicksWithNoRecoveryOpenReleaseTheWindowWithoutAMessage) {
    RecoveryHarness h;
    h.add_entry("a.bin", 0x0801, {1});
    h.w->StopTimer1.set_enabled(true);
    h.run_for(16000);
    EXPECT_TRUE(h.dialogs.calls().empty());
    EXPECT_FALSE(h.window_alive());
    EXPECT_FALSE(exists(h.dir.path() + "/a.bin.tmp"));
}

TEST(Watchdog, SixteenTicksWithARecoveryOpenTellTheUserAndEndTheProgram) {
    RecoveryHarness h;
    h.add_entry("a.bin", 0x0801, {1});
    h.w->tftp.transfer_open = true;
    h.w->StopTimer1.set_enabled(true);
    bool released_when_box_opened = false;
    bool timer_enabled_when_box_opened = true;
    h.dialogs.while_open = [&](const ScriptedDialogs::Call&) {
        released_when_box_opened = h.w->released();
        timer_enabled_when_box_opened = h.w->StopTimer1.enabled();
    };
    h.run_for(20000);
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Abnormal Terminated|Recover Not Complete. Please execution program again !!"});
    EXPECT_EQ(h.dialogs.calls()[0].flags, MB_OK);
    EXPECT_TRUE(released_when_box_opened);
    EXPECT_FALSE(timer_enabled_when_box_opened);
    EXPECT_TRUE(h.app.terminated());
    EXPECT_FALSE(h.window_alive());
    EXPECT_FALSE(exists(h.dir.path() + "/a.bin.tmp"));
}

TEST(RemoveTempFiles, DeletesEveryEntryFileAndPassesOverMissingOnes) {
    RecoveryHarness h;
    h.add_entry("a.bin", 0x0801, {1});
    h.add_entry("b.bin", 0x0400, {2});
    h.add_entry("c.bin", 0x0802, {3});
    std::filesystem::remove(h.dir.path() + "/b.bin.tmp");
    const std::string kept = h.write_file("a.bin", {9});  // the name without ".tmp" is not an entry file
    h.w->remove_temp_files();
    EXPECT_FALSE(exists(h.dir.path() + "/a.bin.tmp"));
    EXPECT_FALSE(exists(h.dir.path() + "/c.bin.tmp"));
    EXPECT_TRUE(exists(kept));
}

TEST(RemoveTempFiles, DeletesNothingWithoutAPackage) {
    RecoveryHarness h;
    h.add_entry("a.bin", 0x0801, {1});
    h.w->embedded = false;
    h.w->remove_temp_files();
    EXPECT_TRUE(exists(h.dir.path() + "/a.bin.tmp"));
}

}  // namespace
}  // namespace fw
