// The FTP upgrade of a running router with the package: the Upgrade command
// walks the entries, uploads what suits the device and reports the result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FtpHarness.h"

namespace fw {
namespace {

using test::FtpHarness;
using test::pattern;

const std::string kSuccess = "Upgrade Success|Upgrade Complete";
const std::string kUnknownModule = "Upgrade Failure|Unknown Device Module.";

struct Entry {
    const char* name;
    std::uint16_t attribute;
};

// A log line; when entry is set, the line is text followed by that entry's temporary path.
struct Line {
    const char* text;
    const char* entry = nullptr;
};

struct KindCase {
    const char* label;
    const char* module;
    std::vector<Entry> entries;
    std::vector<std::string> uploaded;  // entry names, in upload order
    std::vector<Line> lines;            // in this order in the log
    int files_put;
};

class EntryKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(EntryKinds, UploadWhatSuitsTheDevice) {
    const KindCase& c = GetParam();
    FtpHarness h;
    h.list_router(c.module);
    std::vector<std::vector<std::uint8_t>> contents;
    unsigned seed = 1;
    for (const Entry& e : c.entries) {
        contents.push_back(pattern(3000 + 500 * seed, seed));
        h.add_entry(e.name, e.attribute, contents.back());
        ++seed;
    }
    h.click_upgrade();

    // Every entry is announced with its attribute word in decimal.
    std::vector<std::string> announced;
    for (const Entry& e : c.entries) announced.push_back("File Attribute : " + std::to_string(e.attribute));
    EXPECT_EQ(h.log_lines_starting("File Attribute : "), announced);

    std::size_t from = 0;
    for (const Line& l : c.lines) {
        const std::string want = l.entry ? l.text + h.w->temp_dir + l.entry + ".tmp" : l.text;
        const auto& log = h.log();
        const auto it = std::find(log.begin() + static_cast<long>(from), log.end(), want);
        ASSERT_NE(it, log.end()) << "missing or out of order: " << want << "\n" << ::testing::PrintToString(log);
        from = static_cast<std::size_t>(it - log.begin()) + 1;
    }

    std::vector<std::string> stored;
    for (const std::string& name : c.uploaded) stored.push_back(h.w->temp_dir + name);
    EXPECT_EQ(h.server.stored, stored);
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
        const auto file = h.server.files.find(h.w->temp_dir + c.entries[i].name);
        if (file != h.server.files.end()) {
            EXPECT_EQ(file->second, contents[i]) << c.entries[i].name;
        }
    }

    EXPECT_EQ(h.w->files_put, c.files_put);
    const bool success = c.files_put > 0;
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{success ? kSuccess : kUnknownModule});
    EXPECT_EQ(h.w->StatusBar1.simple_text(), success ? "Upgrade Complete" : "Unknown Device Module.");
    EXPECT_EQ(h.w->ProgressBar1.position(), success ? h.w->file_size : 0);
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_FALSE(h.w->Timer2.enabled());
    EXPECT_TRUE(h.window_closed());
    EXPECT_EQ(h.server.logins, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EntryKinds,
    ::testing::Values(
        KindCase{"AllGeneral", "WX2000",
                 {{"A.bin", 0x0801}, {"B.bin", 0x0801}, {"C.bin", 0x0801}},
                 {"A.bin", "B.bin", "C.bin"},
                 {{"File Attribute : 2049"},
                  {"Put Upgrade File >>", "A.bin"},
                  {"Put Upgrade File >>", "B.bin"},
                  {"Put Upgrade File >>", "C.bin"}},
                 3},
        KindCase{"ModuleMatchingInAnyCase", "wx2000", {{"WX2000_fw.bin", 0x0802}}, {"WX2000_fw.bin"},
                 {{"Put Upgrade File >>", "WX2000_fw.bin"}}, 1},
        KindCase{"ModuleNotMatching", "WX2000", {{"AB1000.bin", 0x0802}}, {},
                 {{"Module name different. Ignore Upgrade File >>", "AB1000.bin"}}, 0},
        KindCase{"EmptyModuleMatchesEveryModuleEntry", "", {{"AB1000.bin", 0x0802}}, {"AB1000.bin"},
                 {{"Put Upgrade File >>", "AB1000.bin"}}, 1},
        KindCase{"ModuleBeforeDefault", "WX2000", {{"WX2000.bin", 0x0802}, {"DEFAULT.bin", 0x0803}}, {"WX2000.bin"},
                 {{"Put Upgrade File >>", "WX2000.bin"}, {"Default Upgrade File Egnore >>", "DEFAULT.bin"}}, 1},
        KindCase{"DefaultBeforeModule", "WX2000", {{"DEFAULT.bin", 0x0803}, {"WX2000.bin", 0x0802}},
                 {"DEFAULT.bin", "WX2000.bin"},
                 {{"Put Default Upgrade File >>", "DEFAULT.bin"}, {"Put Upgrade File >>", "WX2000.bin"}}, 2},
        KindCase{"NoSelectionBits", "WX2000", {{"X.bin", 0x0800}}, {},
                 {{"Unkown Attribute. Ignore Upgrade File >>", "X.bin"}}, 0},
        KindCase{"BothKindBitsIsAnUpgradeEntry", "WX2000", {{"X.bin", 0x0C01}}, {"X.bin"},
                 {{"File Attribute : 3073"}, {"Put Upgrade File >>", "X.bin"}}, 1},
        KindCase{"NoKindBits", "WX2000", {{"X.bin", 0x0001}, {"Y.bin", 0x0801}}, {"Y.bin"},
                 {{"Unknow File Attribute : 1", "X.bin"}, {"Put Upgrade File >>", "Y.bin"}}, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FtpPackageUpgrade, DirectedProbeDeviceIsUpgradedLikeAnyRunningDevice) {
    FtpHarness h;
    h.list_router("WX2000", 2);
    h.add_entry("A.bin", 0x0801, pattern(2000));
    h.click_upgrade();
    EXPECT_EQ(h.server.stored, std::vector<std::string>{h.w->temp_dir + "A.bin"});
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
}

TEST(FtpPackageUpgrade, EmptyPasswordOnlyAsksForIt) {
    FtpHarness h;
    h.list_router();
    h.w->PasswordComBox.set_text("");
    h.add_entry("A.bin", 0x0801, pattern(2000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"MessageBox|Please Input the Root Password"});
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.server.logins, 0);
    EXPECT_FALSE(h.window_closed());
}

TEST(FtpPackageUpgrade, RejectionAfterTheDataStopsTheRunWithoutAPutLine) {
    FtpHarness h;
    h.list_router();
    h.server.final_reply = [](const std::string&) { return std::string("429 Firmware check failed."); };
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.add_entry("B.bin", 0x0801, pattern(5000, 2));
    h.click_upgrade();

    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Upgrade Failed|Incorrect upgrade file. Please check again!"});
    EXPECT_TRUE(h.logged("Upgrade file error"));
    EXPECT_TRUE(h.log_lines_starting("Put").empty());
    // The loop stopped at the rejected entry: B was never sent.
    EXPECT_EQ(std::count(h.server.transcript.begin(), h.server.transcript.end(), "STOR " + h.w->temp_dir + "B.bin"), 0);
    EXPECT_EQ(h.w->files_put, 0);
    EXPECT_FALSE(h.w->ftp_running);
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->Timer2.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_TRUE(h.window_closed());
}

TEST(FtpPackageUpgrade, FileRefusedByTheServerStopsTheRun) {
    FtpHarness h;
    h.list_router();
    h.server.stor_refusal = "550 Permission denied.";
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.add_entry("B.bin", 0x0801, pattern(5000, 2));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Upgrade File Error|Incorrect upgrade file. Please check again!"});
    EXPECT_TRUE(h.logged("Upload failure"));
    EXPECT_EQ(h.log_lines_starting("File Attribute : ").size(), 1u);
    EXPECT_TRUE(h.server.stored.empty());
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_TRUE(h.window_closed());
}

TEST(FtpPackageUpgrade, ServiceViewLeavesTheSessionOpenAfterARefusal) {
    FtpHarness h;
    h.list_router();
    h.w->service_mode = true;
    h.server.stor_refusal = "550 Permission denied.";
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Upgrade File Error|Incorrect upgrade file. Please check again!"});
    EXPECT_TRUE(h.w->NMFTP1->connected());
    EXPECT_TRUE(h.w->Timer2.enabled());
    EXPECT_FALSE(h.window_closed());
    EXPECT_EQ(std::count(h.server.transcript.begin(), h.server.transcript.end(), "QUIT"), 0);
}

TEST(FtpPackageUpgrade, ServiceViewKeepsTheWindowAfterSuccess) {
    FtpHarness h;
    h.list_router();
    h.w->service_mode = true;
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(h.window_closed());
    EXPECT_FALSE(h.w->Upgrade.enabled());
}

TEST(FtpPackageUpgrade, WrongPasswordKeepsTheWindowForAnotherTry) {
    FtpHarness h;
    h.list_router();
    h.w->PasswordComBox.set_text("wrong");
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Authentication Failed| Incorrect password. Please check and input again!"});
    EXPECT_TRUE(h.logged("Password Error"));
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.w->stop_counter, 0);
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_TRUE(h.server.stored.empty());
    EXPECT_FALSE(h.window_closed());
}

TEST(FtpPackageUpgrade, UnreachableFtpServerIsAnAbnormalEndWithoutConnection) {
    FtpHarness h;
    h.list_router();
    h.server.address = "192.168.0.99";  // the router answers ping, its FTP port is closed
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    EXPECT_TRUE(h.dialogs.boxes().empty());
    EXPECT_TRUE(h.logged("Unknow error in FTP mode."));
    EXPECT_TRUE(h.logged("Error 111: Connection refused"));
    EXPECT_FALSE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.window_closed());
}

TEST(FtpPackageUpgrade, NoticesArePassedOverWhenTheirFileIsMissingAndTheRunGoesOn) {
    FtpHarness h;
    h.list_router();
    const std::string notice = h.add_entry("hint.msg", 0x0400, {1, 2, 3});
    ::unlink((notice + ".tmp").c_str());
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    EXPECT_TRUE(h.logged("File Attribute : 1024"));
    EXPECT_TRUE(h.logged("Message File Open Error >>" + notice + ".tmp"));
    EXPECT_EQ(h.server.stored, std::vector<std::string>{h.w->temp_dir + "A.bin"});
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
}

TEST(FtpPackageUpgrade, ProgressCountsTheBytesOfAllEntriesAndPacketsFeedTheWatchdog) {
    FtpHarness h;
    h.list_router();
    h.server.block_size = 1000;
    h.server.block_interval_ms = 150;  // 20 blocks of each entry: three seconds of virtual time
    h.add_entry("A.bin", 0x0801, pattern(20000));
    h.add_entry("B.bin", 0x0801, pattern(20000, 2));
    std::vector<int> positions;
    h.w->ProgressBar1.observer = [&](Control&, Property p) {
        if (p == Property::Position) positions.push_back(h.w->ProgressBar1.position());
    };
    h.click_upgrade();

    EXPECT_EQ(h.w->ProgressBar1.max(), 40000);
    ASSERT_GT(positions.size(), 10u);
    // Timer2 moved the bar during the uploads, past the first entry into the second.
    EXPECT_TRUE(std::find_if(positions.begin(), positions.end(), [](int p) { return p > 20000 && p < 40000; }) !=
                positions.end());
    EXPECT_TRUE(std::is_sorted(positions.begin() + 1, positions.end()));
    EXPECT_EQ(positions.back(), 40000);
    // The watchdog ticked, and every packet reset it.
    EXPECT_FALSE(h.log_lines_starting("Stop Counter = ").empty());
    EXPECT_FALSE(h.logged("Stop Counter = 2"));
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
}

TEST(FtpPackageUpgrade, StalledUploadIsAbandonedByTheWatchdogAndUnwindsQuietly) {
    FtpHarness h;
    h.list_router();
    h.server.block_size = 1000;
    h.server.block_interval_ms = 60000;  // the device stops taking data
    h.add_entry("A.bin", 0x0801, pattern(5000));
    h.click_upgrade();
    h.loop.run_for(100);  // the released window is destroyed from the loop
    EXPECT_FALSE(h.window_alive());
    EXPECT_TRUE(h.dialogs.boxes().empty());
    EXPECT_TRUE(h.server.stored.empty());
    EXPECT_TRUE(h.app.terminated());
}

}  // namespace
}  // namespace fw
