#include <gtest/gtest.h>

#include <string>

#include "SearchBench.h"

namespace fw {
namespace {

constexpr const char* A = "192.168.0.10";
constexpr TColor kSentinel = clBlack;
constexpr const char* kBefore = "before";

struct WindowSetup {
    TColor color;
    bool password;
    bool upgrade;
    int mode;  // 0: the full view the test starts from
    std::string status;
};

struct ChangeCase {
    const char* name;
    std::int32_t status;
    bool embedded;
    WindowSetup expected;
};

class IPComBoxChangeRow : public ::testing::TestWithParam<ChangeCase> {
protected:
    void SetUp() override {
        // A state no row would produce, so that "unchanged" shows.
        w.embedded = GetParam().embedded;
        w.SetFormMode(1);
        w.PasswordComBox.set_color(kSentinel);
        w.PasswordComBox.set_enabled(true);
        w.Upgrade.set_enabled(false);
        w.status(kBefore);
        w.service_mode = true;
    }
    test::SearchBench b;
    TUpgradeForm1& w = b.w;
};

TEST_P(IPComBoxChangeRow, SetsUpTheWindowForTheState) {
    w.routers.count = 1;
    w.routers.info[0] = {GetParam().status, A, "", ""};
    w.IPComBox.add_item(A);
    w.IPComBox.user_select(0);
    const WindowSetup& e = GetParam().expected;
    EXPECT_EQ(w.PasswordComBox.color(), e.color);
    EXPECT_EQ(w.PasswordComBox.enabled(), e.password);
    EXPECT_EQ(w.Upgrade.enabled(), e.upgrade);
    EXPECT_EQ(test::layout_mode(w), e.mode);
    EXPECT_EQ(w.StatusBar1.simple_text(), e.status);
    EXPECT_FALSE(w.service_mode);
    EXPECT_TRUE(w.IPComBox.focused());
}

const WindowSetup kUnchanged{kSentinel, true, false, 0, kBefore};

INSTANTIATE_TEST_SUITE_P(
    States, IPComBoxChangeRow,
    ::testing::Values(
        ChangeCase{"Crash", 0, false, {clMenu, false, true, 2, "Press Upgrade Button To Upgrade Router"}},
        ChangeCase{"CrashWithPackage", 0, true, {clMenu, false, true, 4, "Press Upgrade Button To Upgrade Router"}},
        ChangeCase{"Normal", 1, false, {clWhite, true, true, 3, "Please Input the Root Password"}},
        ChangeCase{"NormalWithPackage", 1, true, {clWhite, true, true, 5, "Please Input the Root Password"}},
        ChangeCase{"CrashUnreachable", 3, false, {kSentinel, true, true, 2, kBefore}},
        ChangeCase{"CrashUnreachableWithPackage", 3, true, {kSentinel, true, true, 4, kBefore}},
        ChangeCase{"NormalUnreachable", 4, false, {kSentinel, true, true, 3, kBefore}},
        ChangeCase{"NormalUnreachableWithPackage", 4, true, {kSentinel, true, true, 5, kBefore}},
        ChangeCase{"DefaultAddress", 2, false, kUnchanged},
        ChangeCase{"CrashDuplicate", -1, false, kUnchanged},
        ChangeCase{"NormalDuplicate", -2, true, kUnchanged},
        ChangeCase{"DefaultDuplicate", -3, false, kUnchanged},
        ChangeCase{"CrashUnreachableDuplicate", -4, false, kUnchanged},
        ChangeCase{"NormalUnreachableDuplicate", -5, false, kUnchanged}),
    [](const auto& info) { return std::string(info.param.name); });

class IPComBoxChange : public ::testing::Test {
protected:
    test::SearchBench b;
    TUpgradeForm1& w = b.w;
};

TEST_F(IPComBoxChange, DuplicateAfterANormalDeviceKeepsItsSettings) {
    w.routers.count = 2;
    w.routers.info[0] = {1, A, "", ""};
    w.routers.info[1] = {-2, "192.168.0.20", "", ""};
    w.IPComBox.add_item(A);
    w.IPComBox.add_item("192.168.0.20  IP Duplicate ");
    w.IPComBox.user_select(0);
    w.IPComBox.user_select(1);
    EXPECT_EQ(w.PasswordComBox.color(), clWhite);
    EXPECT_TRUE(w.PasswordComBox.enabled());
    EXPECT_TRUE(w.Upgrade.enabled());
    EXPECT_EQ(test::layout_mode(w), 3);
    EXPECT_EQ(w.StatusBar1.simple_text(), "Please Input the Root Password");
}

TEST_F(IPComBoxChange, EveryRecordOfTheAddressActs) {
    w.routers.count = 2;
    w.routers.info[0] = {3, A, "", ""};
    w.routers.info[1] = {1, A, "", ""};
    w.IPComBox.user_type(std::string(A) + "  crash");
    EXPECT_EQ(w.PasswordComBox.color(), clWhite);
    EXPECT_EQ(test::layout_mode(w), 3);
}

TEST_F(IPComBoxChange, TextOfNoRecordOnlyClearsTheServiceView) {
    w.routers.count = 1;
    w.routers.info[0] = {1, A, "", ""};
    w.service_mode = true;
    w.status(kBefore);
    w.IPComBox.user_type("192.168.0.1");  // a prefix of the address is not the address
    EXPECT_FALSE(w.service_mode);
    EXPECT_FALSE(w.Upgrade.enabled());
    EXPECT_EQ(w.StatusBar1.simple_text(), kBefore);
    EXPECT_TRUE(w.IPComBox.focused());
}

}  // namespace
}  // namespace fw
