// The FTP upgrade over real sockets: a router namespace runs routersim and a
// pyftpdlib server on port 21, and a headless window in the PC namespace
// upgrades it with a package through the real ping and the libcurl client.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FtpPeer.h"
#include "e2e/lab/LabNetwork.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::FtpPeer;
using test::FtpPeerBehaviour;
using test::FtpPeerOptions;

constexpr const char* kRouter = "192.168.0.1";
constexpr const char* kPassword = "L4b!root";

std::vector<unsigned char> random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<unsigned char> out(n);
    for (auto& b : out) b = static_cast<unsigned char>(gen());
    return out;
}

std::vector<std::string> lines_starting(const std::string& output, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    return out;
}

struct FtpLab : ::testing::Test {
    void SetUp() override {
        const std::string reason = lab::LabNetwork::unavailable_reason();
        if (!reason.empty()) GTEST_SKIP() << reason;
        std::string why;
        if (!FtpPeer::available(&why)) GTEST_SKIP() << why;
        lab::LabConfig config;
        config.routers.push_back({"r1", std::string(kRouter) + "/24", {"--normal", "module=WX2000"}});
        net = std::make_unique<lab::LabNetwork>(config);
    }

    void start_server(FtpPeerBehaviour behaviour = FtpPeerBehaviour::Stock) {
        FtpPeerOptions o;
        o.behaviour = behaviour;
        o.host = kRouter;
        o.port = 21;
        o.password = kPassword;
        o.netns = net->namespace_of("r1");
        peer = std::make_unique<FtpPeer>(o);
    }

    // Runs the upgrade in the PC namespace with the typed password.
    lab::CommandResult upgrade(const std::string& typed, const std::vector<std::string>& entries,
                               bool exit_during_upload = false) {
        ::setenv("FW_LAB_PASSWORD", typed.c_str(), 1);
        std::vector<std::string> argv{FW_FTP_LAB_HELPER, "--address", kRouter, "--module", "WX2000", "--temp",
                                      temp.path()};
        for (const auto& e : entries) {
            argv.push_back("--entry");
            argv.push_back(e);
        }
        if (exit_during_upload) {
            argv.push_back("--exit-during-upload");
            argv.push_back("yes");
        }
        auto result = net->exec("pc", argv);
        ::unsetenv("FW_LAB_PASSWORD");
        return result;
    }

    std::unique_ptr<lab::LabNetwork> net;
    std::unique_ptr<FtpPeer> peer;
    test::TempDir temp;
};

TEST_F(FtpLab, PackageEntriesArriveByteForByte) {
    start_server();
    const auto general = random_bytes(300 * 1024, 1);
    const auto module = random_bytes(2 * 1024 * 1024 + 17, 2);
    const auto fallback = random_bytes(4096, 3);
    temp.write("ROOTFS.bin.tmp", general);
    temp.write("WX2000_kernel.bin.tmp", module);
    temp.write("DEFAULT.bin.tmp", fallback);
    const auto run = upgrade(kPassword, {"ROOTFS.bin:0x0801", "WX2000_kernel.bin:0x0802", "DEFAULT.bin:0x0803"});
    ASSERT_EQ(run.exit_code, 0) << run.output;

    EXPECT_EQ(lines_starting(run.output, "BOX "), std::vector<std::string>{"Upgrade Success|Upgrade Complete"})
        << run.output;
    EXPECT_EQ(lines_starting(run.output, "CLOSED "), std::vector<std::string>{"yes"});
    const auto got = peer->wait_received(2);
    ASSERT_EQ(got.size(), 2u) << run.output << peer->server_log();
    EXPECT_EQ(got[0].stor, temp.path() + "/ROOTFS.bin");
    EXPECT_EQ(got[1].stor, temp.path() + "/WX2000_kernel.bin");
    EXPECT_EQ(test::read_file(got[0].path), general);
    EXPECT_EQ(test::read_file(got[1].path), module);
    EXPECT_EQ(run.output.find(kPassword), std::string::npos);
}

TEST_F(FtpLab, ExitDuringAnUploadShowsItsBoxAndTheUploadStillCompletes) {
    start_server();
    const auto image = random_bytes(8 * 1024 * 1024, 4);
    temp.write("ROOTFS.bin.tmp", image);
    const auto run = upgrade(kPassword, {"ROOTFS.bin:0x0801"}, true);
    ASSERT_EQ(run.exit_code, 0) << run.output;
    ASSERT_EQ(lines_starting(run.output, "EXIT pressed").size(), 1u) << run.output;
    EXPECT_EQ(lines_starting(run.output, "BOX "),
              (std::vector<std::string>{"Upgrade Not Complete|Don't Exit Upgrade Program When Upgrade Not Complete",
                                        "Upgrade Success|Upgrade Complete"}))
        << run.output;
    const auto got = peer->wait_received(1);
    ASSERT_EQ(got.size(), 1u) << run.output << peer->server_log();
    EXPECT_EQ(test::read_file(got[0].path), image);
}

TEST_F(FtpLab, WrongPasswordIsRefusedAndNeverWritten) {
    start_server();
    temp.write("ROOTFS.bin.tmp", random_bytes(1000, 1));
    const std::string typed = "Wr0ng!lab";
    const auto run = upgrade(typed, {"ROOTFS.bin:0x0801"});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(lines_starting(run.output, "BOX "),
              std::vector<std::string>{"Authentication Failed| Incorrect password. Please check and input again!"});
    EXPECT_EQ(lines_starting(run.output, "CLOSED "), std::vector<std::string>{"no"});
    // The whole output holds every log line, status text and the helper's standard error.
    EXPECT_EQ(run.output.find(typed), std::string::npos) << run.output;
    EXPECT_TRUE(peer->received().empty());
}

TEST_F(FtpLab, RouterRejectingTheImageStopsTheRun) {
    start_server(FtpPeerBehaviour::RejectAfterData);
    temp.write("ROOTFS.bin.tmp", random_bytes(100000, 1));
    temp.write("APPS.bin.tmp", random_bytes(100000, 2));
    const auto run = upgrade(kPassword, {"ROOTFS.bin:0x0801", "APPS.bin:0x0801"});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(lines_starting(run.output, "BOX "),
              std::vector<std::string>{"Upgrade Failed|Incorrect upgrade file. Please check again!"});
    // Only the first image went out.
    EXPECT_EQ(peer->wait_received(1).size(), 1u);
    EXPECT_TRUE(lines_starting(run.output, "LOG Put").empty());
}

}  // namespace
}  // namespace fw
