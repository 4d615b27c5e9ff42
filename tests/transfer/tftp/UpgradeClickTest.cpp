#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "transfer/tftp/RecoveryHarness.h"

namespace fw {
namespace {

using test::pattern;
using test::RecoveryHarness;

// An address outside every subnet of this computer (192.168.0.100 on the test network).
constexpr const char* kAddress = "10.1.2.3";
const std::string kAdvice = "Please change your IP to 10.1.2.XXX";

struct StateCase {
    const char* name;
    int status;
    std::vector<std::string> boxes;
    bool upgrade_enabled_after;
};
void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class UpgradeByState : public ::testing::TestWithParam<StateCase> {};

TEST_P(UpgradeByState, RefusesOrAdvisesByTheDeviceState) {
    const StateCase& c = GetParam();
    RecoveryHarness h;
    h.net.add_normal_router(kAddress);
    h.w->routers.info[0] = router_info{c.status, kAddress, "WX2000", ""};
    h.w->routers.count = 1;
    h.w->IPComBox.set_text(std::string(kAddress) + "  dup");
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();

    EXPECT_EQ(h.net.pings(), std::vector<std::string>{kAddress});
    EXPECT_EQ(h.dialogs.boxes(), c.boxes);
    EXPECT_EQ(h.w->Upgrade.enabled(), c.upgrade_enabled_after);
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
    EXPECT_FALSE(h.w->StopTimer1.enabled());
    EXPECT_TRUE(h.sent_to(kAddress).empty());
}

const std::string kDupUnreachable =
    "Found IP Duplication and Unreachable|Found IP Duplication and Unreachable Error. Upgrade Not Continue !";
const std::string kDup = "Found IP Duplication|Found IP Duplication Error. Upgrade Not Continue !";

INSTANTIATE_TEST_SUITE_P(
    States, UpgradeByState,
    ::testing::Values(StateCase{"RunningDuplicateUnreachable", -5, {kDupUnreachable}, false},
                      StateCase{"LoaderDuplicateUnreachable", -4, {kDupUnreachable}, false},
                      StateCase{"DirectedProbeDuplicate", -3, {}, false},
                      StateCase{"RunningDuplicate", -2, {kDup}, false},
                      StateCase{"LoaderDuplicate", -1, {kDup}, false},
                      StateCase{"LoaderUnreachable", 3, {"Subnet IP Not the Same|" + kAdvice}, true},
                      StateCase{"RunningWithoutPing", 4, {"Warning|" + kAdvice}, true},
                      StateCase{"BelowTheRange", -6, {}, false},
                      StateCase{"AboveTheRange", 5, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpgradeClick, TheSubnetAdviceOfARunningDeviceIsAWarningWithOneYesButton) {
    RecoveryHarness h;
    h.net.add_normal_router(kAddress);
    h.w->routers.info[0] = router_info{4, kAddress, "WX2000", ""};
    h.w->routers.count = 1;
    h.w->IPComBox.set_text(kAddress);
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();
    ASSERT_EQ(h.dialogs.calls().size(), 1u);
    EXPECT_EQ(h.dialogs.calls()[0].kind, ScriptedDialogs::Kind::MessageDialog);
    EXPECT_EQ(h.dialogs.calls()[0].type, MsgDlgType::mtWarning);
    EXPECT_EQ(h.dialogs.calls()[0].buttons, unsigned(mbYes));
}

TEST(UpgradeClick, NoPingReplyGivesTheSubnetAdvice) {
    RecoveryHarness h;
    h.net.add_recovery_loader(kAddress, {.answers_ping = false});
    h.w->routers.info[0] = router_info{0, kAddress, "x", ""};
    h.w->routers.count = 1;
    h.w->IPComBox.set_text(std::string(kAddress) + "  crash");
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Subnet IP Not the Same|" + kAdvice});
    EXPECT_TRUE(h.w->Upgrade.enabled());
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
}

TEST(UpgradeClick, AnEmptyAddressGivesAnAdviceWithoutPrefix) {
    RecoveryHarness h;
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{"Subnet IP Not the Same|Please change your IP to XXX"});
    EXPECT_TRUE(h.net.pings().empty());
    EXPECT_TRUE(h.w->Upgrade.enabled());
}

TEST(UpgradeClick, AnAddressNotInTheTableDoesNothing) {
    RecoveryHarness h;
    h.net.add_normal_router(kAddress);
    h.w->IPComBox.set_text(kAddress);
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();
    EXPECT_TRUE(h.dialogs.calls().empty());
    EXPECT_FALSE(h.w->Upgrade.enabled());
}

TEST(UpgradeClick, TheFirstRecordOfAnAddressDecides) {
    RecoveryHarness h;
    h.net.add_recovery_loader(kAddress);
    h.w->routers.info[0] = router_info{-1, kAddress, "x", ""};
    h.w->routers.info[1] = router_info{0, kAddress, "x", ""};
    h.w->routers.count = 2;
    h.w->IPComBox.set_text(kAddress);
    h.w->Upgrade.set_enabled(true);
    h.click_upgrade();
    EXPECT_EQ(h.dialogs.boxes(), std::vector<std::string>{kDup});
    EXPECT_FALSE(h.w->TFTPTimer.enabled());
}

struct ScaleCase {
    const char* name;
    std::int32_t file_size;
    int maximum;
};
void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class RecoveryStart : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(RecoveryStart, PreparesTheRunAndScalesTheProgressInBlocks) {
    RecoveryHarness h;
    h.add_loader();
    h.w->routers.info[0] = router_info{3, "192.168.0.9", "other", ""};
    h.w->routers.info[1] = router_info{0, RecoveryHarness::kLoaderAddress, RecoveryHarness::kLoaderText, ""};
    h.w->routers.count = 2;
    h.w->IPComBox.set_text(std::string(RecoveryHarness::kLoaderAddress) + "  crash");
    h.w->Upgrade.set_enabled(true);
    h.w->UpdateFileName.set_text(h.write_file("fw.bin", pattern(100)));
    h.w->file_size = GetParam().file_size;
    h.w->progress_value = 77;
    h.w->files_put = 5;
    h.w->notice_shown = true;
    h.w->module_file_put = true;
    h.w->tftp.tftp_job = 9;
    h.w->ProgressBar1.set_position(50);
    h.click_upgrade();

    EXPECT_EQ(h.w->ProgressBar1.max(), GetParam().maximum);
    EXPECT_EQ(h.w->target_index, 1);
    EXPECT_FALSE(h.w->notice_shown);
    EXPECT_FALSE(h.w->module_file_put);
    EXPECT_EQ(h.w->files_put, 0);
    EXPECT_EQ(h.w->tftp.tftp_job, 0);
    EXPECT_EQ(h.w->progress_value, 1);  // the write request
    EXPECT_TRUE(h.w->TFTPTimer.enabled());
    EXPECT_TRUE(h.w->StopTimer1.enabled());
    EXPECT_FALSE(h.w->Upgrade.enabled());
    EXPECT_EQ(h.sent_to().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RecoveryStart,
                         ::testing::Values(ScaleCase{"ElevenHundredBytes", 1100, 2},
                                           ScaleCase{"UnderOneBlock", 511, 0},
                                           ScaleCase{"FourMegabytes", 4 * 1024 * 1024, 8192}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
