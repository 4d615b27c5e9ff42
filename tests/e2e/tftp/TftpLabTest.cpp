// A recovery over real sockets: routersim's recovery loader in a namespace of
// its own, the headless window with the real engine in the lab's PC namespace.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/lab/LabNetwork.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using lab::LabNetwork;

constexpr const char* kLoader = "192.168.1.254";

std::vector<unsigned char> firmware(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return bytes;
}

std::vector<unsigned char> read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The number after "NAME " on a line of the client's output, or -1.
long value_of(const std::string& output, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(output, m, std::regex("(^|\n)" + name + " ([0-9]+)"))) return -1;
    return std::stol(m[2]);
}

struct LabCase {
    const char* name;
    std::string loader_settings;
};
void PrintTo(const LabCase& c, std::ostream* os) { *os << c.name; }

class TftpLab : public ::testing::TestWithParam<LabCase> {};

TEST_P(TftpLab, ReflashesAFourMegabyteFirmwareAndRebootsTheLoader) {
    if (const std::string why = LabNetwork::unavailable_reason(); !why.empty()) GTEST_SKIP() << why;
    LabNetwork lab({.pc_addresses = {"192.168.1.100/24"},
                    .routers = {{"loader", std::string(kLoader) + "/24", {"--loader", GetParam().loader_settings}}}});
    test::TempDir dir;
    const auto content = firmware(4 * 1024 * 1024);
    const std::string path = dir.write("fw.bin", content);

    const auto run = lab.exec("pc", {FW_RECOVER_CLIENT, kLoader, path});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("\nbox Recover Success|Recover Success\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("log  Recover Success\n"), std::string::npos);
    // The write request and 8,193 DATA blocks, the last one empty.
    EXPECT_EQ(value_of(run.output, "sent_lines"), 8194);
    // After the box: 2.5 s, "Rebooting Router...", 6.5 s, then the new search.
    EXPECT_GE(value_of(run.output, "after_box_ms"), 9000);
    EXPECT_NE(run.output.find(" Rebooting Router...\n"), std::string::npos);

    EXPECT_EQ(read_all(lab.store_dir("loader") + "/fw.bin"), content);
    const std::string log = lab.router_log("loader");
    EXPECT_NE(log.find("RRQ \"R!\""), std::string::npos) << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

INSTANTIATE_TEST_SUITE_P(Loaders, TftpLab,
                         ::testing::Values(LabCase{"AcknowledgingFromPort69", "text=$Plumet Boot Loader V1.0"},
                                           LabCase{"AcknowledgingFromAnotherPort",
                                                   "text=$Plumet Boot Loader V1.0,ack-port=6969"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
