#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "transfer/tftp/RecoveryHarness.h"

namespace fw {
namespace {

using test::pattern;
using test::RecoveryHarness;

constexpr std::uint16_t kGeneral = 0x0801;  // upgrade entry sent to every device
constexpr std::uint32_t kLongEnough = 30000;

std::string text_of(const routersim::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// ---------------------------------------------------------------------------
// Block arithmetic: how a file is cut into DATA blocks.

struct BlockCase {
    const char* name;
    std::size_t size;
    int segments;
    int tail;
    std::vector<std::size_t> datagrams;  // lengths of the DATA datagrams, in order
};
void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

class BlockArithmetic : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockArithmetic, CutsTheFileIntoBlocksAndTheLoaderStoresItWhole) {
    const BlockCase& c = GetParam();
    RecoveryHarness h;
    auto& loader = h.add_loader();
    h.list_loader();
    const auto content = pattern(c.size);
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", content));
    h.click_upgrade();
    h.run_for(kLongEnough);

    EXPECT_TRUE(h.logged("Size: " + std::to_string(c.size) + " Bytes"));
    EXPECT_TRUE(h.logged("Segment: " + std::to_string(c.segments)));
    EXPECT_TRUE(h.logged("mod: " + std::to_string(c.tail)));
    EXPECT_EQ(h.data_lengths(), c.datagrams);
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].name, "fw.bin");
    EXPECT_EQ(loader.files()[0].bytes, content);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
    EXPECT_EQ(loader.reboot_requests(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlockArithmetic,
    ::testing::Values(BlockCase{"Empty", 0, 0, 0, {4}},
                      BlockCase{"OneByte", 1, 0, 1, {5}},
                      BlockCase{"JustUnderABlock", 511, 0, 511, {515}},
                      BlockCase{"OneBlock", 512, 1, 0, {516, 4}},
                      BlockCase{"OneBlockAndAByte", 513, 1, 1, {516, 5}},
                      BlockCase{"ThousandBytes", 1000, 1, 488, {516, 492}},
                      BlockCase{"TwoBlocks", 1024, 2, 0, {516, 516, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// One file picked by hand, from the click to the new search.

struct HandPickedRun : ::testing::Test {
    RecoveryHarness h;
    routersim::RecoveryLoader& loader = h.add_loader();
    std::string path;

    void SetUp() override {
        h.list_loader();
        path = h.write_file("fw.bin", pattern(1000));
        h.w->UpdateFileName.set_text(path);
    }
};

TEST_F(HandPickedRun, StartsWithTheWriteRequestToPort69AndLogsItsSentLineFirst) {
    h.click_upgrade();

    const auto sent = h.sent_to();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to_port, 69);
    EXPECT_EQ(text_of(sent[0].bytes), std::string("\0\2fw.bin\0octet\0", 15));

    const std::vector<std::string> expected{
        "fw.bin",        "Open File : " + path, "Size: 1000 Bytes",
        "Segment: 1",    "mod: 488",            "Sent 0 ..",
        "Begin to Send " + path + " to   192.168.0.50"};
    const auto& log = h.log();
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(log.end() - long(expected.size()), log.end()), expected);

    EXPECT_EQ(h.w->file_list.count, 1);
    EXPECT_EQ(h.w->file_list.attribute[0], 1);
    EXPECT_EQ(h.w->file_list.name[0], path);
    EXPECT_TRUE(h.w->tftp.transfer_open);
    EXPECT_TRUE(h.w->TFTPTimer.enabled());
    EXPECT_TRUE(h.w->StopTimer1.enabled());
    EXPECT_FALSE(h.w->Upgrade.enabled());
    EXPECT_EQ(h.w->StatusBar1.simple_text(), "Beginning Upgrade. Do Not Exit Until Upgrade Complete !");
}

TEST_F(HandPickedRun, LogsEveryAcknowledgementAndDatagram) {
    h.click_upgrade();
    h.run_for(kLongEnough);
    EXPECT_EQ(h.log_lines_starting("Recv : "), (std::vector<std::string>{"Recv : 0", "Recv : 1", "Recv : 2"}));
    EXPECT_EQ(h.log_lines_starting("Sent "), (std::vector<std::string>{"Sent 0 ..", "Sent 1 ..", "Sent 2 .."}));
    EXPECT_EQ(h.w->progress_value, 3);
}

TEST_F(HandPickedRun, EndsOnTheNextTickWithTheRebootRequestBeforeTheBox) {
    h.click_upgrade();
    // Every acknowledgement is in long before the first tick of the run's timer.
    h.run_for(50);
    EXPECT_EQ(h.w->tftp.tftp_job, SELECT_DONE);
    EXPECT_TRUE(h.w->tftp.transfer_open);
    EXPECT_EQ(loader.reboot_requests(), 0);

    int reboots_when_box_opened = -1;
    std::string status_when_box_opened;
    std::uint32_t box_time = 0;
    h.dialogs.while_open = [&](const ScriptedDialogs::Call&) {
        reboots_when_box_opened = loader.reboot_requests();
        status_when_box_opened = h.w->StatusBar1.simple_text();
        box_time = h.clock.now_ms();
    };
    std::vector<std::pair<std::uint32_t, std::string>> statuses;
    h.w->StatusBar1.observer = [&](Control&, Property) {
        statuses.emplace_back(h.clock.now_ms(), h.w->StatusBar1.simple_text());
    };
    h.loop.run_until([&] { return !h.dialogs.calls().empty(); });

    EXPECT_EQ(reboots_when_box_opened, 1);
    EXPECT_EQ(status_when_box_opened, "Success Upgrade and Wait to Reboot");
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
    EXPECT_TRUE(h.logged(" Recover Success"));
    // Two waits that dispatch nothing: 2500 ms, the rebooting status, 6500 ms.
    EXPECT_EQ(h.clock.now_ms() - box_time, 9000u);
    // Then a new search: the refresh reports its device count once the waits are over.
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), std::make_pair(box_time + 2500, std::string("Rebooting Router..."))),
              statuses.end());
    EXPECT_EQ(statuses.back(), std::make_pair(box_time + 9000, std::string("0 device found")));

    // The reboot request: file "R!", mode octet, 11 bytes, to port 69.
    const auto sent = h.sent_to();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().to_port, 69);
    EXPECT_EQ(text_of(sent.back().bytes), std::string("\0\1R!\0octet\0", 11));

    EXPECT_EQ(h.w->tftp.tftp_job, 0);
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.w->ProgressBar1.position(), h.w->ProgressBar1.max());
}

TEST_F(HandPickedRun, AcknowledgementsFromAnotherPortAreTakenAndDataStillGoesToPort69) {
    RecoveryHarness other;
    auto& loader6969 = other.add_loader({.ack_port = 6969});
    other.list_loader();
    const auto content = pattern(2000);
    other.w->UpdateFileName.set_text(other.write_file("fw.bin", content));
    other.click_upgrade();
    other.run_for(kLongEnough);

    ASSERT_EQ(loader6969.files().size(), 1u);
    EXPECT_EQ(loader6969.files()[0].bytes, content);
    for (const auto& record : other.sent_to()) EXPECT_EQ(record.to_port, 69);
    for (const auto& record : other.net.traffic())
        if (record.from_address == RecoveryHarness::kLoaderAddress) {
            EXPECT_EQ(record.from_port, 6969);
        }
    EXPECT_EQ(other.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
}

TEST_F(HandPickedRun, AFileThatCannotBeOpenedSendsNothingAndStalls) {
    h.w->UpdateFileName.set_text(h.dir.path() + "/missing.bin");
    h.click_upgrade();
    EXPECT_TRUE(h.logged("missing.bin"));
    EXPECT_TRUE(h.logged("File Open Error! " + h.dir.path() + "/missing.bin"));
    EXPECT_TRUE(h.sent_to().empty());
    EXPECT_FALSE(h.w->tftp.transfer_open);
    h.run_for(5000);
    EXPECT_TRUE(h.dialogs.boxes().empty());
    EXPECT_TRUE(h.w->TFTPTimer.enabled());
}

// ---------------------------------------------------------------------------
// A package of several entries in one run.

TEST(PackageRun, SendsSixEntriesInOrderWithTheSentCountRunningOn) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    std::vector<std::vector<std::uint8_t>> contents;
    const std::size_t sizes[] = {0, 100, 512, 700, 1024, 1500};
    for (int i = 0; i < 6; ++i) {
        contents.push_back(pattern(sizes[i], unsigned(i) + 7));
        h.add_entry("part" + std::to_string(i) + ".bin", kGeneral, contents.back());
    }
    h.list_loader();
    h.click_upgrade();
    h.run_for(kLongEnough);

    ASSERT_EQ(loader.files().size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(loader.files()[i].name, "part" + std::to_string(i) + ".bin.tmp");
        EXPECT_EQ(loader.files()[i].bytes, contents[i]);
    }
    // Per file: its write request, then its blocks (1, 1, 2, 2, 3, 3).
    const int datagrams = 6 + 1 + 1 + 2 + 2 + 3 + 3;
    const auto sent = h.log_lines_starting("Sent ");
    ASSERT_EQ(sent.size(), std::size_t(datagrams));
    for (int i = 0; i < datagrams; ++i) EXPECT_EQ(sent[i], "Sent " + std::to_string(i) + " ..");

    // Each entry: chosen, named, opened, its write request's Sent line, then Begin to Send.
    int at = 0;
    int previous_sent = -1;
    for (int i = 0; i < 6; ++i) {
        const std::string entry = h.dir.path() + "/part" + std::to_string(i) + ".bin";
        at = h.log_index("Put Upgrade File without IDCheck >>" + entry, at);
        ASSERT_GE(at, 0) << i;
        at = h.log_index("part" + std::to_string(i) + ".bin.tmp", at);
        ASSERT_GE(at, 0) << i;
        const int begin = h.log_index("Begin to Send " + entry + ".tmp to   192.168.0.50", at);
        ASSERT_GE(begin, 0) << i;
        EXPECT_EQ(h.log()[begin - 1].rfind("Sent ", 0), 0u) << i;
        const int count = std::stoi(h.log()[begin - 1].substr(5));
        EXPECT_GT(count, previous_sent) << i;
        previous_sent = count;
        at = begin;
    }
    EXPECT_EQ(h.w->files_put, 6);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
    EXPECT_EQ(loader.reboot_requests(), 1);
    EXPECT_EQ(h.w->ProgressBar1.max(), (0 + 100 + 512 + 700 + 1024 + 1500) / 512);
}

TEST(PackageRun, PassesOverEntriesThatAreNotForTheDevice) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    h.add_entry("OTHER-fw.bin", 0x0802, pattern(600, 1));
    h.add_entry("general.bin", kGeneral, pattern(600, 2));
    h.add_entry("odd.bin", 0x0100, pattern(10, 3));
    h.add_entry("wx2000-fw.bin", 0x0802, pattern(600, 4));
    h.list_loader("WX2000");
    h.click_upgrade();
    h.run_for(kLongEnough);
    ASSERT_EQ(loader.files().size(), 2u);
    EXPECT_EQ(loader.files()[0].name, "general.bin.tmp");
    EXPECT_EQ(loader.files()[1].name, "wx2000-fw.bin.tmp");
    EXPECT_TRUE(h.w->module_file_put);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
}

// ---------------------------------------------------------------------------
// ERROR from the device.

struct ErrorCase {
    const char* name;
    int error_at;
    bool service_view;
};
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class DeviceError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DeviceError, EndsTheRunAndClosesTheWindowOutsideTheServiceView) {
    const ErrorCase& c = GetParam();
    RecoveryHarness h;
    h.add_loader({.error_at = c.error_at, .error_code = 3, .error_message = "Disk full"});
    h.list_loader();
    h.w->service_mode = c.service_view;
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", pattern(3000)));
    h.click_upgrade();
    h.run_for(kLongEnough);

    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Upgrade File Error|Incorrect upgrade file. Please check again!"});
    EXPECT_EQ(h.w->tftp.tftp_job, 0);
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_FALSE(h.w->tftp.tftp_file.is_open());
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.w->stop_counter, 0);
    EXPECT_EQ(h.w->ProgressBar1.position(), 0);
    // The main window's close ends the program.
    EXPECT_EQ(h.app.terminated(), !c.service_view);
    EXPECT_EQ(h.data_lengths().size(), std::size_t(c.error_at));
}

INSTANTIATE_TEST_SUITE_P(Replies, DeviceError,
                         ::testing::Values(ErrorCase{"ToTheWriteRequest", 0, false},
                                           ErrorCase{"ToTheWriteRequestInServiceView", 0, true},
                                           ErrorCase{"ToBlockTwo", 2, false},
                                           ErrorCase{"ToBlockTwoInServiceView", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Refusal: nothing in the package is for this device.

TEST(Refusal, WarnsOnTheNextTickAndLeavesTheWatchdogRunning) {
    RecoveryHarness h;
    h.add_loader();
    h.add_entry("OTHER-fw.bin", 0x0802, pattern(600));
    h.list_loader();
    h.click_upgrade();
    EXPECT_EQ(h.w->tftp.tftp_job, SELECT_NONE);
    EXPECT_TRUE(h.sent_to().empty());

    h.run_for(1000);
    ASSERT_EQ(h.dialogs.calls().size(), 1u);
    const auto& dialog = h.dialogs.calls()[0];
    EXPECT_EQ(dialog.kind, ScriptedDialogs::Kind::MessageDialog);
    EXPECT_EQ(dialog.type, MsgDlgType::mtWarning);
    EXPECT_EQ(dialog.buttons, unsigned(mbYes));
    EXPECT_EQ(dialog.caption, "Warning");
    EXPECT_EQ(dialog.text, "Recover process not be accept for router.");
    EXPECT_TRUE(h.logged("Recover process not be accept for router."));
    EXPECT_FALSE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_TRUE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.w->tftp.tftp_job, 0);
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_TRUE(h.sent_to().empty());
}

// ---------------------------------------------------------------------------
// Lost acknowledgement: nothing is resent and the watchdog ends the run.

TEST(LostAcknowledgement, StallsUntilTheWatchdogEndsTheProgram) {
    RecoveryHarness h;
    h.add_loader({.lose_ack = 2});
    h.add_entry("fw.bin", kGeneral, pattern(3000));
    h.list_loader();
    std::vector<std::string> log_at_box;
    h.dialogs.while_open = [&](const ScriptedDialogs::Call&) { log_at_box = h.w->Memo1.lines(); };
    h.click_upgrade();
    h.run_for(kLongEnough);

    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Abnormal Terminated|Recover Not Complete. Please execution program again !!"});
    EXPECT_TRUE(h.app.terminated());
    EXPECT_FALSE(h.window_alive());
    // No block went twice: DATA 1 and 2 only.
    EXPECT_EQ(h.data_lengths().size(), 2u);
    // The counter ran from the last acknowledgement taken up to 16.
    std::vector<std::string> counts;
    for (const auto& line : log_at_box)
        if (line.rfind("Stop Counter = ", 0) == 0) counts.push_back(line);
    ASSERT_EQ(counts.size(), 16u);
    EXPECT_EQ(counts.front(), "Stop Counter = 1");
    EXPECT_EQ(counts.back(), "Stop Counter = 16");
    // The extracted entry files went with the window.
    EXPECT_FALSE(std::filesystem::exists(h.dir.path() + "/fw.bin.tmp"));
}

// ---------------------------------------------------------------------------
// Repeated acknowledgements and the control socket.

TEST(RepeatedAcknowledgement, OfAnEarlierBlockIsIgnoredAndNothingIsResent) {
    RecoveryHarness h;
    auto& loader = h.add_loader({.repeat_ack = 1});
    h.list_loader();
    const auto content = pattern(1500);
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", content));
    h.click_upgrade();
    h.run_for(kLongEnough);
    EXPECT_EQ(h.data_lengths(), (std::vector<std::size_t>{516, 516, 480}));
    EXPECT_EQ(h.log_lines_starting("Recv : 1").size(), 1u);
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].bytes, content);
}

TEST(ControlSocket, AnswersOnItDoNotTouchTheTransfer) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    // A device that answers from port 69 whatever reaches it, back to the sender.
    h.net.add_device("192.168.0.60", std::make_unique<test::StrayDevice>(routersim::Bytes{0, 5, 0, 1, 'x', 0}, 0));
    h.list_loader();
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", pattern(3000)));
    h.click_upgrade();
    h.w->tftp_read_request("192.168.0.60", "R!", "octet");
    const auto sent = h.sent_to("192.168.0.60");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to_port, 69);
    EXPECT_EQ(text_of(sent[0].bytes), std::string("\0\1R!\0octet\0", 11));
    h.run_for(kLongEnough);
    EXPECT_EQ(h.w->tftp_reply, nullptr);
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Recover Success|Recover Success"});
}

}  // namespace
}  // namespace fw
