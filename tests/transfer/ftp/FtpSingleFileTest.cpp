// The FTP upgrade with a file picked by hand: its own connection, its own
// failure handling, and the results the Upgrade command shows for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FtpHarness.h"

namespace fw {
namespace {

using test::FtpHarness;
using test::pattern;

const std::string kSuccess = "Upgrade Success|Upgrade Complete";
const std::string kOpenError = "Upgrade OpenFile Error|Select File Open Error !!!";
const std::string kWrongPassword = "Authentication Failed| Incorrect password. Please check and input again!";

TEST(FtpSingleFile, UploadsUnderItsBaseNameAndCloses) {
    FtpHarness h;
    h.list_router();
    h.server.block_size = 1000;
    h.server.block_interval_ms = 50;
    const auto bytes = pattern(30000);
    h.pick_file("router-v2.bin", bytes);
    h.click_upgrade();
    EXPECT_EQ(h.server.stored, std::vector<std::string>{"router-v2.bin"});
    EXPECT_EQ(h.server.files["router-v2.bin"], bytes);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    // The progress bar's scale is the file's size, taken when the transfer starts.
    EXPECT_EQ(h.w->ProgressBar1.max(), 30000);
    EXPECT_GT(h.w->ProgressBar1.position(), 20000);
    EXPECT_EQ(h.w->NMFTP1->vendor, 2411);
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_FALSE(h.w->Timer2.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_TRUE(h.window_closed());
}

TEST(FtpSingleFile, NoFileChosenAsksForOne) {
    FtpHarness h;
    h.list_router();
    h.w->UpdateFileName.set_text("");
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"MessageBox|Please Select the Upgread File"});
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_EQ(h.server.logins, 0);
}

TEST(FtpSingleFile, MissingFileIsAnOpenError) {
    FtpHarness h;
    h.list_router();
    h.w->UpdateFileName.set_text(h.dir.path() + "/gone.bin");
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kOpenError});
    EXPECT_EQ(h.server.logins, 0);
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_TRUE(h.window_closed());
}

TEST(FtpSingleFile, WrongPasswordKeepsTheWindowForAnotherTry) {
    FtpHarness h;
    h.list_router();
    h.w->PasswordComBox.set_text("wrong");
    h.pick_file("router.bin", pattern(3000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), (std::vector<std::string>{kWrongPassword, kOpenError}));
    EXPECT_TRUE(h.logged("Password Error"));
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.window_closed());
    EXPECT_EQ(h.w->ftp_put_single_file(h.w->UpdateFileName.text(), "router.bin", FtpHarness::kAddress), -2);
}

TEST(FtpSingleFile, FileRefusedByTheServerClosesTheConnectionAndKeepsTheWindow) {
    FtpHarness h;
    h.list_router();
    h.server.stor_refusal = "550 Permission denied.";
    h.pick_file("router.bin", pattern(3000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(),
              (std::vector<std::string>{"Upgrade Abnormal Terminate|Upgrade File Error. Please ReSelect Upgrade File Again !",
                                        kOpenError}));
    EXPECT_TRUE(h.logged("Upgrade File Error"));
    EXPECT_EQ(h.w->StatusBar1.simple_text(), "Upgrade File Error");
    EXPECT_FALSE(h.w->NMFTP1->connected());
    EXPECT_FALSE(h.window_closed());
}

TEST(FtpSingleFile, RejectionAfterTheDataIsNoSuccess) {
    FtpHarness h;
    h.list_router();
    h.server.final_reply = [](const std::string&) { return std::string("429 Firmware check failed."); };
    h.pick_file("router.bin", pattern(3000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(),
              (std::vector<std::string>{"Upgrade Failed|Incorrect upgrade file. Please check again!", kOpenError}));
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->NMFTP1->connected());
}

TEST(FtpSingleFile, LoginFailingWithoutReplyClosesTheWindow) {
    FtpHarness h;
    h.list_router();
    h.server.address = "192.168.0.99";  // nothing listens on the router's FTP port
    h.pick_file("router.bin", pattern(3000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(),
              (std::vector<std::string>{"Upgrade Terminate|Upgrade Abnormal Terminate : FTP", kOpenError}));
    EXPECT_TRUE(h.window_closed());
}

TEST(FtpSingleFile, ConnectionDroppedDuringTheUploadClosesTheWindow) {
    FtpHarness h;
    h.list_router();
    h.server.block_size = 1000;
    h.server.drop_after = 2000;
    h.pick_file("router.bin", pattern(10000));
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(),
              (std::vector<std::string>{"Upgrade Terminate|Upgrade Abnormal Terminate : FTP", kOpenError}));
    EXPECT_TRUE(h.logged("Upload failure"));
    EXPECT_TRUE(h.server.stored.empty());
    EXPECT_TRUE(h.window_closed());
}

// A 530 refusal of the upload leaves the connection open. The next try used
// to close that connection only and report success without uploading.
TEST(FtpSingleFile, StaleConnectionIsClosedAndTheNextTryUploads) {
    FtpHarness h;
    h.list_router();
    h.server.stor_refusal = "530 Not logged in.";
    const auto bytes = pattern(4000);
    const std::string path = h.pick_file("router.bin", bytes);
    h.click_upgrade();
    ASSERT_TRUE(h.w->NMFTP1->connected()) << "the refused upload leaves the connection open";
    EXPECT_EQ(h.dialogs.boxes(), (std::vector<std::string>{kWrongPassword, kOpenError}));
    ASSERT_FALSE(h.window_closed());

    h.server.stor_refusal.clear();
    h.dialogs.clear();
    h.click_upgrade();
    EXPECT_EQ(h.server.files["router.bin"], bytes);
    EXPECT_EQ(h.server.logins, 2);
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kSuccess});
    // The stale session was ended before the new login.
    const auto& t = h.server.transcript;
    const auto quit = std::find(t.begin(), t.end(), "QUIT");
    ASSERT_NE(quit, t.end());
    EXPECT_NE(std::find(quit, t.end(), "USER root"), t.end());
    EXPECT_FALSE(h.w->NMFTP1->connected());
}

TEST(FtpSingleFile, StaleConnectionRoutineResultIsTheUploadsResult) {
    FtpHarness h;
    h.list_router();
    const std::string path = h.pick_file("router.bin", pattern(4000));
    h.w->ftp_running = true;  // as at the start of every FTP run
    h.server.stor_refusal = "530 Not logged in.";
    EXPECT_EQ(h.w->ftp_put_single_file(path, "router.bin", FtpHarness::kAddress), -2);
    ASSERT_TRUE(h.w->NMFTP1->connected());
    h.server.stor_refusal = "550 Permission denied.";
    // Not 1: the file was refused, and the routine says so.
    EXPECT_EQ(h.w->ftp_put_single_file(path, "router.bin", FtpHarness::kAddress), -2);
    h.server.stor_refusal.clear();
    EXPECT_EQ(h.w->ftp_put_single_file(path, "router.bin", FtpHarness::kAddress), 1);
    EXPECT_EQ(h.server.stored, std::vector<std::string>{"router.bin"});
}

}  // namespace
}  // namespace fw
