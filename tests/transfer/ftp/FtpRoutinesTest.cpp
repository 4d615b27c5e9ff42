// The upload of one package entry over an open connection, and the FTP
// component's event handlers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FtpHarness.h"

namespace fw {
namespace {

using test::FakeFtpServer;
using test::FtpHarness;
using test::pattern;

struct PutCase {
    const char* label;
    std::uint16_t attribute;
    std::function<void(FakeFtpServer&)> server;
    bool module_file_put_before;
    int result;
    std::vector<std::string> boxes;
    bool stored;
    bool connected_after;
};

class PutEntry : public ::testing::TestWithParam<PutCase> {};

TEST_P(PutEntry, ResultAndReport) {
    const PutCase& c = GetParam();
    FtpHarness h;
    h.list_router("WX2000");
    if (c.server) c.server(h.server);
    const std::string stored = h.add_entry("WX2000.bin", c.attribute, pattern(5000));
    auto& ftp = *h.w->NMFTP1;
    ftp.host = FtpHarness::kAddress;
    ftp.user_id = "root";
    ftp.password = FtpHarness::kPassword;
    ftp.Connect();
    h.w->ftp_running = true;
    h.w->module_file_put = c.module_file_put_before;
    h.w->StopTimer1.set_enabled(true);
    h.w->stop_counter = 5;

    EXPECT_EQ(h.w->ftp_put_entry(stored + ".tmp", 0, 0), c.result);
    EXPECT_EQ(h.dialogs.boxes(), c.boxes);
    EXPECT_EQ(h.server.files.count(stored), c.stored ? 1u : 0u);
    EXPECT_EQ(ftp.connected(), c.connected_after);
    EXPECT_EQ(h.w->files_put, c.stored ? 1 : 0);
    if (c.result < -1) {
        // Every failure handled stops the watchdog, so it cannot end the program afterwards.
        EXPECT_FALSE(h.w->StopTimer1.enabled());
        EXPECT_EQ(h.w->stop_counter, 0);
    }
}

const std::string kRefused = "Upgrade File Error|Incorrect upgrade file. Please check again!";
const std::string kRejected = "Upgrade Failed|Incorrect upgrade file. Please check again!";
const std::string kPassword = "Authentication Failed| Incorrect password. Please check and input again!";
const std::string kOther =
    "Unexpect Condition Error|Upgrade Abnormal Terminate and Please ReRun the program to ReUpgrade.";

INSTANTIATE_TEST_SUITE_P(
    Cases, PutEntry,
    ::testing::Values(
        PutCase{"Uploaded", 0x0801, nullptr, false, 1, {}, true, true},
        PutCase{"RejectedAfterTheData", 0x0801,
                [](FakeFtpServer& s) { s.final_reply = [](const std::string&) { return std::string("429 Bad image"); }; },
                false, -2, {kRejected}, false, true},
        PutCase{"RefusedWith550", 0x0801, [](FakeFtpServer& s) { s.stor_refusal = "550 Permission denied."; }, false,
                -2, {kRefused}, false, true},
        PutCase{"RefusedWith530", 0x0801, [](FakeFtpServer& s) { s.stor_refusal = "530 Not logged in."; }, false, -3,
                {kPassword}, false, false},
        PutCase{"RefusedOtherwise", 0x0801, [](FakeFtpServer& s) { s.stor_refusal = "451 Local error."; }, false, -4,
                {kOther}, false, true},
        PutCase{"ConnectionDropped", 0x0801,
                [](FakeFtpServer& s) {
                    s.block_size = 1000;
                    s.drop_after = 1000;
                },
                false, -4, {kOther}, false, false},
        PutCase{"DefaultAfterAModuleEntry", 0x0803, nullptr, true, 1, {}, false, true},
        PutCase{"ModuleOfThisDevice", 0x0802, nullptr, false, 1, {}, true, true},
        PutCase{"NoSelectionBits", 0x0800, nullptr, false, -1, {}, false, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PutEntryModule, EntryOfAnotherModuleIsNotSent) {
    FtpHarness h;
    h.list_router("AB1000");
    const std::string stored = h.add_entry("WX2000.bin", 0x0802, pattern(100));
    EXPECT_EQ(h.w->ftp_put_entry(stored + ".tmp", 0, 0), -1);
    EXPECT_TRUE(h.logged("Module name different. Ignore Upgrade File >>" + stored + ".tmp"));
    EXPECT_FALSE(h.w->module_file_put);
}

struct FailureText {
    int kind;
    const char* text;
};

class FailureTexts : public ::testing::TestWithParam<FailureText> {};

TEST_P(FailureTexts, NameTheCommand) {
    FtpHarness h;
    h.w->NMFTP1Failure(static_cast<FtpCommand>(GetParam().kind));
    EXPECT_EQ(h.log().back(), GetParam().text);
    EXPECT_TRUE(h.dialogs.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FailureTexts,
    ::testing::Values(FailureText{0, "ChangeDir failure"}, FailureText{1, "MakeDir failure"},
                      FailureText{2, "Delete failure"}, FailureText{3, "RemoveDir failure"},
                      FailureText{4, "List failure"}, FailureText{5, "Rename failure"},
                      FailureText{6, "UploadRestore failure"}, FailureText{7, "DownloadRestore failure"},
                      FailureText{8, "Download failure"}, FailureText{9, "Upload failure"},
                      FailureText{10, "UploadAppend failure"}, FailureText{11, "ReInit failure"},
                      FailureText{12, "Allocate failure"}, FailureText{13, "NList failure"},
                      FailureText{14, "DoCommand failure"}),
    [](const auto& info) { return "Kind" + std::to_string(info.param.kind); });

TEST(FtpEvents, UnrecognisedFailureKindIsLoggedAndShown) {
    FtpHarness h;
    h.w->NMFTP1Failure(static_cast<FtpCommand>(15));
    EXPECT_EQ(h.log().back(), "Unrecognized command failed.15");
    ASSERT_EQ(h.dialogs.calls().size(), 1u);
    EXPECT_EQ(h.dialogs.calls()[0].kind, ScriptedDialogs::Kind::MessageDialog);
    EXPECT_EQ(h.dialogs.calls()[0].text, "Unrecognized command failed.");
}

TEST(FtpEvents, SocketErrorIsLoggedWithItsNumber) {
    FtpHarness h;
    h.w->NMFTP1Error(10061, "Connection refused");
    EXPECT_EQ(h.log().back(), "Error 10061: Connection refused");
}

TEST(FtpEvents, ConnectAndPacketReports) {
    FtpHarness h;
    h.w->NMFTP1Connect();
    EXPECT_EQ(h.w->StatusBar1.simple_text(), "Connecting to device");
    h.w->stop_counter = 9;
    h.w->NMFTP1PacketSent();
    EXPECT_EQ(h.w->StatusBar1.simple_text(), "Upgrading! Do NOT exit or power off the device.");
    EXPECT_EQ(h.w->stop_counter, 0);
    EXPECT_TRUE(h.w->Timer2.enabled());
}

TEST(FtpEvents, StatusOtherThan429DoesNothing) {
    FtpHarness h;
    h.w->ftp_running = true;
    h.w->Timer2.set_enabled(true);
    h.w->NMFTP1Status("226 Transfer complete.");
    h.w->NMFTP1Status("42");
    EXPECT_TRUE(h.w->ftp_running);
    EXPECT_TRUE(h.w->Timer2.enabled());
    EXPECT_TRUE(h.dialogs.boxes().empty());
}

TEST(FtpEvents, AuthenticationFailedReportsThePassword) {
    FtpHarness h;
    h.w->NMFTP1AuthenticationFailed();
    EXPECT_EQ(h.log().back(), "Password Error");
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Authentication Failed| Incorrect password. Please check and input again!"});
    EXPECT_TRUE(h.w->Upgrade.enabled());
}

TEST(FtpEvents, ProgressMovesOnlyWhenTheByteCountGrows) {
    FtpHarness h;
    h.list_router();
    h.server.block_size = 1000;
    const std::string path = h.pick_file("a.bin", pattern(3000));
    h.w->embedded = true;  // the bar keeps the package's scale
    auto& ftp = *h.w->NMFTP1;
    ftp.host = FtpHarness::kAddress;
    ftp.user_id = "root";
    ftp.password = FtpHarness::kPassword;
    ftp.Connect();
    h.w->ProgressBar1.set_max(100000);
    h.w->progress_value = 500;
    ftp.Upload(path, "a.bin");  // transaction start set ftp_bytes_seen to 0
    h.w->Timer2Timer();
    EXPECT_EQ(h.w->ProgressBar1.position(), 3500);
    EXPECT_EQ(h.w->ftp_bytes_seen, 3000);
    h.w->ProgressBar1.set_position(7);
    h.w->Timer2Timer();  // no growth: nothing changes
    EXPECT_EQ(h.w->ProgressBar1.position(), 7);
    EXPECT_EQ(h.w->progress_value, 3500);
}

}  // namespace
}  // namespace fw
