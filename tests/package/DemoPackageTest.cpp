// The demo package built with the tree, appended to a program file: the
// start-up extraction of a package made by the real build tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "package/PackageFixtures.h"

namespace fw {
namespace {

std::vector<std::string> expected_log(const std::string& temp) {
    return {
        "Find Message :" + temp + "/welcome.msg.tmp",
        "Find Upgrade File :" + temp + "/general.bin.tmp",
        "Find Upgrade File :" + temp + "/WX2000.bin.tmp",
        "Find Upgrade File :" + temp + "/default.bin.tmp",
        "Find Message :" + temp + "/ftp.msg.tmp",
        "Didn't Process this Message Attribute in Menu Mode",
        "Find Message :" + temp + "/tftp.msg.tmp",
        "Didn't Process this Message Attribute in Menu Mode",
        "Upgrade file total length = 10114",
    };
}

void expect_demo_extracted(test::PackagedProgram& p) {
    EXPECT_TRUE(p.w->embedded);
    EXPECT_EQ(p.log(), expected_log(p.temp));
    EXPECT_EQ(p.w->file_list.count, 6);
    EXPECT_EQ(p.w->file_size, 10114);
    EXPECT_EQ(std::filesystem::file_size(p.tmp("general.bin")), 3000u);
    EXPECT_EQ(std::filesystem::file_size(p.tmp("WX2000.bin")), 5000u);
    EXPECT_EQ(std::filesystem::file_size(p.tmp("default.bin")), 2000u);
    // Only the start-up notice is shown; it stays until the user closes it.
    const auto windows = p.calls_of(ScriptedDialogs::Kind::ModalForm);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].caption, "Welcome to the WX upgrade");
    EXPECT_TRUE(p.h->dialogs.boxes().empty());
}

struct DemoPackage : ::testing::Test, test::PackagedProgram {};

TEST_F(DemoPackage, AppendedToAProgramIsExtractedAtStartUp) {
    const std::vector<unsigned char> package = test::read_file(FW_DEMO_PACKAGE);
    ASSERT_FALSE(package.empty()) << FW_DEMO_PACKAGE;
    write_program(std::vector<std::uint8_t>(package.begin(), package.end()));
    start();
    expect_demo_extracted(*this);
}

#ifdef FW_DEMO_EXECUTABLE
TEST_F(DemoPackage, RealExecutableCarryingItStartsAndExtracts) {
    ASSERT_TRUE(std::filesystem::exists(FW_DEMO_EXECUTABLE)) << FW_DEMO_EXECUTABLE;
    start(FW_DEMO_EXECUTABLE);
    expect_demo_extracted(*this);
    // The program in front of the package is left as the build made it.
    EXPECT_GT(std::filesystem::file_size(FW_DEMO_EXECUTABLE), 100000u);
}
#endif

}  // namespace
}  // namespace fw
