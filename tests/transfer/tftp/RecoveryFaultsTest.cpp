// Runs that used to go wrong: a repeated final acknowledgement, a watchdog
// that ignored progress, files and names too big for the transfer, a file
// that cannot be read, and stray datagrams on the transfer socket.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/files/File.h"
#include "transfer/tftp/RecoveryHarness.h"

namespace fw {
namespace {

using test::pattern;
using test::RecoveryHarness;

constexpr std::uint16_t kGeneral = 0x0801;
constexpr std::uint32_t kLongEnough = 30000;
const std::string kSuccess = "Recover Success|Recover Success";

// The acknowledgements the loader sent for this block number.
int acks_sent(const RecoveryHarness& h, std::uint16_t block) {
    int n = 0;
    for (const auto& record : h.net.traffic())
        if (record.from_address == RecoveryHarness::kLoaderAddress && record.bytes.size() == 4 &&
            record.bytes[1] == 4 && record.bytes[2] == (block >> 8) && record.bytes[3] == (block & 0xFF))
            ++n;
    return n;
}

// The port the transfer socket sends from, read off its write request.
int transfer_port(const RecoveryHarness& h) {
    for (const auto& record : h.sent_to())
        if (record.bytes.size() >= 2 && record.bytes[1] == 2) return record.from_port;
    return 0;
}

// ---------------------------------------------------------------------------
// A repeated acknowledgement of the final block of the last file.

struct RepeatCase {
    const char* name;
    int files;  // 0: a file picked by hand; otherwise package entries
};
void PrintTo(const RepeatCase& c, std::ostream* os) { *os << c.name; }

class RepeatedFinalAcknowledgement : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(RepeatedFinalAcknowledgement, StillEndsInSuccessWithTheRebootRequest) {
    RecoveryHarness h;
    // Every file is 1000 bytes, so block 2 is the final block of each.
    auto& loader = h.add_loader({.repeat_ack = 2});
    if (GetParam().files == 0) {
        h.w->UpdateFileName.set_text(h.write_file("fw.bin", pattern(1000)));
    } else {
        for (int i = 0; i < GetParam().files; ++i)
            h.add_entry("part" + std::to_string(i) + ".bin", kGeneral, pattern(1000, unsigned(i)));
    }
    h.list_loader();
    h.click_upgrade();
    h.run_for(kLongEnough);

    const int files = std::max(GetParam().files, 1);
    ASSERT_EQ(acks_sent(h, 2), 2 * files);  // the fault really was there to meet
    EXPECT_EQ(loader.files().size(), std::size_t(files));
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(h.logged("Recover process not be accept for router."));
    EXPECT_EQ(loader.reboot_requests(), 1);
    EXPECT_EQ(h.log_lines_starting("Recv : 2").size(), std::size_t(files));
}

INSTANTIATE_TEST_SUITE_P(Runs, RepeatedFinalAcknowledgement,
                         ::testing::Values(RepeatCase{"HandPickedFile", 0}, RepeatCase{"OneEntry", 1},
                                           RepeatCase{"ThreeEntries", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The watchdog ends a stalled run, not a slow one.

TEST(WatchdogAndProgress, ALargeFileOverASlowLoaderCompletes) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    // 41 DATA blocks and the write request, 600 ms each: 25 s in all, one file.
    h.net.set_latency_ms(600);
    const auto content = pattern(40 * 512);
    h.add_entry("big.bin", kGeneral, content);
    h.list_loader();
    h.click_upgrade();
    h.run_for(60000);

    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].bytes, content);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(h.app.terminated());
}

TEST(WatchdogAndProgress, TicksLeftFromAnEarlierRunDoNotCount) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    // The loader takes 1.5 s per answer, so the first tick comes before the
    // first acknowledgement; an earlier run left 15 ticks and the watchdog running.
    h.net.set_latency_ms(1500);
    h.w->stop_counter = 15;
    h.w->StopTimer1.set_enabled(true);
    h.add_entry("fw.bin", kGeneral, pattern(700));
    h.list_loader();
    h.click_upgrade();
    h.run_for(60000);

    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
}

TEST(WatchdogAndProgress, AStalledRunIsStillAbandonedSixteenTicksAfterItsLastAcknowledgement) {
    RecoveryHarness h;
    h.net.set_latency_ms(600);
    h.add_loader({.silent_after = 10});
    h.add_entry("big.bin", kGeneral, pattern(40 * 512));
    h.list_loader();
    std::uint32_t box_time = 0;
    h.dialogs.while_open = [&](const ScriptedDialogs::Call&) { box_time = h.clock.now_ms(); };
    const std::uint32_t start = h.clock.now_ms();
    h.click_upgrade();
    h.run_for(60000);

    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Abnormal Terminated|Recover Not Complete. Please execution program again !!"});
    EXPECT_TRUE(h.app.terminated());
    // The acknowledgement of block 10 is the eleventh answer, 6.6 s in; the
    // watchdog then needs 16 whole ticks.
    const std::uint32_t last_ack = start + 11 * 600;
    EXPECT_GE(box_time - last_ack, 15000u);
    EXPECT_LE(box_time - last_ack, 17000u);
}

// ---------------------------------------------------------------------------
// Files too large for 16-bit block numbers.

struct SizeCase {
    const char* name;
    std::int64_t size;
    bool sent;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class LargestFile : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LargestFile, IsSentWhenItsBlocksFitAndRefusedBeforeSendingOtherwise) {
    const SizeCase& c = GetParam();
    RecoveryHarness h;
    auto& loader = h.add_loader();
    const std::string path = h.write_file("huge.bin", {});
    {
        File f = File::open_existing_for_write(path);
        ASSERT_TRUE(f.truncate(c.size));  // sparse: reads as zeros
    }
    h.w->UpdateFileName.set_text(path);
    h.list_loader();
    h.click_upgrade();
    // One millisecond per block on the test network.
    h.run_for(100000);

    if (c.sent) {
        ASSERT_EQ(loader.files().size(), 1u);
        EXPECT_EQ(std::int64_t(loader.files()[0].bytes.size()), c.size);
        EXPECT_TRUE(h.logged("Recv : 65534"));
        EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
        return;
    }
    EXPECT_TRUE(h.logged("File too large for TFTP: " + path));
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Upgrade File Error|The upgrade file is too large for a recovery transfer "
                                       "(at most 33,553,407 bytes)."});
    EXPECT_TRUE(h.sent_to().empty());
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_FALSE(h.w->tftp.tftp_file.is_open());
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_FALSE(h.app.terminated());
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargestFile,
                         ::testing::Values(SizeCase{"LastThatFits", 33553407, true},
                                           SizeCase{"FirstThatDoesNot", 33553408, false},
                                           SizeCase{"FarTooLarge", 3'000'000'000LL, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LargestFileInAPackage, EndsTheRunAfterTheEntriesBeforeIt) {
    RecoveryHarness h;
    auto& loader = h.add_loader();
    h.add_entry("small.bin", kGeneral, pattern(700));
    h.add_entry("huge.bin", kGeneral, {});
    {
        File f = File::open_existing_for_write(h.dir.path() + "/huge.bin.tmp");
        ASSERT_TRUE(f.truncate(33553408));
    }
    h.add_entry("after.bin", kGeneral, pattern(10));
    h.list_loader();
    h.click_upgrade();
    h.run_for(kLongEnough);

    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].name, "small.bin.tmp");
    EXPECT_EQ(h.dialogs.boxes().size(), 1u);
    EXPECT_TRUE(h.logged("File too large for TFTP: " + h.dir.path() + "/huge.bin.tmp"));
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_EQ(h.w->tftp.tftp_job, 0);
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
}

// ---------------------------------------------------------------------------
// Paths and remote names that do not fit the transfer's buffers.

struct NameCase {
    const char* name;
    std::size_t path_length;  // 0: whatever the temporary folder gives
    std::size_t remote_length;
    const char* refusal;      // log line prefix, or nullptr when the file is sent
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class LongNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(LongNames, AreRefusedWholeAndNeverCut) {
    const NameCase& c = GetParam();
    RecoveryHarness h;
    auto& loader = h.add_loader();
    const std::string remote = std::string(c.remote_length - 4, 'f') + ".bin";
    std::string folder = h.dir.path();
    if (c.path_length > 0) {
        const std::size_t pad = c.path_length - folder.size() - 2 - remote.size();
        folder += "/" + std::string(pad, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string path = folder + "/" + remote;
    if (c.path_length > 0) {
        ASSERT_EQ(path.size(), c.path_length);
    }
    {
        File f = File::create_new(path);
        ASSERT_TRUE(f.is_open());
        f.write("firmware", 8);
    }
    h.w->UpdateFileName.set_text(path);
    h.list_loader();
    h.click_upgrade();
    h.run_for(kLongEnough);

    if (!c.refusal) {
        ASSERT_EQ(loader.files().size(), 1u);
        EXPECT_EQ(loader.files()[0].name, remote);
        EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
        return;
    }
    const std::string subject = std::string(c.refusal).rfind("Path", 0) == 0 ? path : remote;
    EXPECT_TRUE(h.logged(c.refusal + subject));
    ASSERT_EQ(h.dialogs.boxes().size(), 1u);
    EXPECT_EQ(h.dialogs.boxes()[0].rfind("Upgrade File Error|The ", 0), 0u);
    EXPECT_TRUE(h.sent_to().empty());
    EXPECT_TRUE(loader.files().empty());
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.app.terminated());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LongNames,
    ::testing::Values(NameCase{"PathOf255", 255, 10, nullptr},
                      NameCase{"PathOf256", 256, 10, "Path too long for TFTP: "},
                      NameCase{"RemoteNameOf31", 0, 31, nullptr},
                      NameCase{"RemoteNameOf32", 0, 32, "File name too long for TFTP: "}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A file that cannot be read to its end.

class ReadError : public ::testing::TestWithParam<bool> {};

TEST_P(ReadError, EndsTheRunWithoutSendingBytesThatWereNotRead) {
    const bool service_view = GetParam();
    RecoveryHarness h;
    auto& loader = h.add_loader();
    const std::string path = h.write_file("fw.bin", pattern(3000));
    h.w->UpdateFileName.set_text(path);
    h.w->service_mode = service_view;
    h.list_loader();
    h.click_upgrade();
    {
        // The file shrinks under the transfer: block 2 can only be read in part.
        File f = File::open_existing_for_write(path);
        ASSERT_TRUE(f.truncate(700));
    }
    h.run_for(kLongEnough);

    EXPECT_TRUE(h.logged("Read Error"));
    EXPECT_EQ(h.data_lengths(), std::vector<std::size_t>{516});
    EXPECT_TRUE(loader.files().empty());
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Upgrade File Error|The upgrade file could not be read. Please check again!"});
    EXPECT_FALSE(h.w->tftp.transfer_open);
    EXPECT_FALSE(h.w->tftp.tftp_file.is_open());
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_EQ(h.app.terminated(), !service_view);
}

INSTANTIATE_TEST_SUITE_P(Views, ReadError, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InServiceView" : "OutsideServiceView"; });

// ---------------------------------------------------------------------------
// Stray datagrams on the transfer socket.

TEST(StrayDatagrams, AnErrorWithNoRunOpenIsIgnored) {
    RecoveryHarness h;
    h.add_loader();
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", pattern(600)));
    h.list_loader();
    h.click_upgrade();
    h.run_for(kLongEnough);
    ASSERT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});

    h.net.add_device("192.168.0.70", std::make_unique<test::StrayDevice>(
                                         routersim::Bytes{0, 5, 0, 0, 'l', 'a', 't', 'e', 0}, transfer_port(h)));
    h.net.send(40000, "192.168.0.70", 69, {1});
    h.run_for(100);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(h.app.terminated());
    EXPECT_TRUE(h.w->Upgrade.enabled());
}

TEST(StrayDatagrams, AShortOneIsIgnoredAndAnAcknowledgementFromAnyAddressIsTaken) {
    RecoveryHarness h;
    // The loader's answer to the write request is lost.
    auto& loader = h.add_loader({.lose_ack = 0});
    const auto content = pattern(900);
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", content));
    h.list_loader();
    h.click_upgrade();
    const int port = transfer_port(h);
    ASSERT_NE(port, 0);
    h.net.add_device("192.168.0.71", std::make_unique<test::StrayDevice>(routersim::Bytes{0, 4}, port, 7000));
    h.net.add_device("192.168.0.72", std::make_unique<test::StrayDevice>(routersim::Bytes{0, 4, 0, 0}, port, 7001));

    h.net.send(40000, "192.168.0.71", 7000, {1});
    h.run_for(100);
    EXPECT_FALSE(h.logged("Recv : 0"));
    EXPECT_TRUE(h.data_lengths().empty());

    h.net.send(40000, "192.168.0.72", 7001, {1});
    h.run_for(kLongEnough);
    EXPECT_TRUE(h.logged("Recv : 0"));
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].bytes, content);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
}

}  // namespace
}  // namespace fw
