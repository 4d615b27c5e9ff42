// The root password never leaves the password box: not into the System Log,
// the status line, a message box or standard error, whatever goes wrong.
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

struct PathCase {
    const char* label;
    bool package;
    bool typed_right;
    std::function<void(FakeFtpServer&)> server;
};

class PasswordNeverWritten : public ::testing::TestWithParam<PathCase> {};

TEST_P(PasswordNeverWritten, InAnyReport) {
    const PathCase& c = GetParam();
    FtpHarness h;
    h.list_router();
    const std::string typed = c.typed_right ? FtpHarness::kPassword : "Wr0ng#pw";
    h.w->PasswordComBox.set_text(typed);
    if (c.server) c.server(h.server);
    if (c.package) {
        h.add_entry("A.bin", 0x0801, pattern(4000));
        h.add_entry("B.bin", 0x0803, pattern(4000, 2));
    } else {
        h.pick_file("router.bin", pattern(4000));
    }

    ::testing::internal::CaptureStderr();
    h.click_upgrade();
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(err.find(typed), std::string::npos);
    for (const auto& line : h.log()) EXPECT_EQ(line.find(typed), std::string::npos) << line;
    for (const auto& text : h.statuses) EXPECT_EQ(text.find(typed), std::string::npos) << text;
    for (const auto& call : h.dialogs.calls()) {
        EXPECT_EQ(call.text.find(typed), std::string::npos) << call.text;
        EXPECT_EQ(call.caption.find(typed), std::string::npos) << call.caption;
    }
    for (const auto& command : h.server.transcript) EXPECT_EQ(command.find(typed), std::string::npos) << command;
    // The run did go through the path this case is about.
    EXPECT_FALSE(h.dialogs.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PasswordNeverWritten,
    ::testing::Values(
        PathCase{"PackageUploaded", true, true, nullptr},
        PathCase{"PackageWrongPassword", true, false, nullptr},
        PathCase{"PackageLoginRefused", true, true, [](FakeFtpServer& s) { s.login_refusal = "530 Login incorrect."; }},
        PathCase{"PackageRejected", true, true,
                 [](FakeFtpServer& s) { s.final_reply = [](const std::string&) { return std::string("429 No."); }; }},
        PathCase{"PackageStorRefused", true, true, [](FakeFtpServer& s) { s.stor_refusal = "550 Permission denied."; }},
        PathCase{"PackageDropped", true, true,
                 [](FakeFtpServer& s) {
                     s.block_size = 1000;
                     s.drop_after = 1000;
                 }},
        PathCase{"FileWrongPassword", false, false, nullptr},
        PathCase{"FileStorRefused", false, true, [](FakeFtpServer& s) { s.stor_refusal = "550 Permission denied."; }},
        PathCase{"FileUploadRefused530", false, true, [](FakeFtpServer& s) { s.stor_refusal = "530 Not logged in."; }},
        PathCase{"FileUnreachable", false, true, [](FakeFtpServer& s) { s.address = "192.168.0.99"; }}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace fw
