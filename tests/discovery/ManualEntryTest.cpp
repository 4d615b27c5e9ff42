#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SearchBench.h"
#include "TestDevices.h"
#include "discovery/DeviceTable.h"

namespace fw {
namespace {

using memnet::MemoryNetwork;
using Strings = std::vector<std::string>;

constexpr const char* M = "192.168.5.5";
constexpr char ENTER = 13;

void qq(MemoryNetwork& n, bool ping = true) { n.add_device(M, std::make_unique<test::QqOnlyDevice>(ping)); }
void vn(MemoryNetwork& n, bool ping = true) { n.add_recovery_loader(M, {.answers_ping = ping}); }

struct EntryCase {
    const char* name;
    std::function<void(MemoryNetwork&)> setup;
    std::string text;  // the device list's text afterwards
    bool upgrade;      // Upgrade was on before the entry
    Strings records;
    Strings items;
};

class ManualEntryRow : public ::testing::TestWithParam<EntryCase> {
protected:
    test::SearchBench b;
};

TEST_P(ManualEntryRow, ProbesTheTypedAddress) {
    GetParam().setup(b.net);
    b.w.Upgrade.set_enabled(true);
    b.w.IPComBox.set_text(M);
    b.w.IPComBox.key_press(ENTER);
    EXPECT_EQ(b.w.IPComBox.text(), GetParam().text);
    EXPECT_EQ(b.w.Upgrade.enabled(), GetParam().upgrade);
    EXPECT_EQ(b.records(), GetParam().records);
    EXPECT_EQ(b.w.IPComBox.items(), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ManualEntryRow,
    ::testing::Values(
        EntryCase{"NothingAnswers", [](MemoryNetwork&) {}, "192.168.5.5  unConnect", false, {}, {}},
        EntryCase{"QqWithoutPing", [](MemoryNetwork& n) { qq(n, false); }, "192.168.5.5  unreachable", false, {}, {}},
        EntryCase{"VnWithoutPing", [](MemoryNetwork& n) { vn(n, false); }, "192.168.5.5  crash and unreachable",
                  false, {}, {}},
        EntryCase{"QqAndVnWithoutPing",
                  [](MemoryNetwork& n) {
                      qq(n, false);
                      vn(n, false);
                  },
                  M, true, {}, {}},
        EntryCase{"PingOnly",
                  [](MemoryNetwork& n) { n.add_device(M, std::make_unique<test::PingOnlyDevice>()); },
                  "192.168.5.5  Unknown Router Type", false, {}, {}},
        EntryCase{"QqAndPing", [](MemoryNetwork& n) { qq(n); }, M, true, {"1 192.168.5.5"}, {M}},
        EntryCase{"NormalRouter", [](MemoryNetwork& n) { n.add_normal_router(M); }, M, true, {"1 192.168.5.5"},
                  {M}},
        EntryCase{"VnAndPing", [](MemoryNetwork& n) { vn(n); }, "192.168.5.5  crash", true, {"0 192.168.5.5"},
                  {"192.168.5.5  crash"}},
        EntryCase{"QqAndVnAndPing",
                  [](MemoryNetwork& n) {
                      qq(n);
                      vn(n);
                  },
                  M, true, {}, {}},
        EntryCase{"QqTwice",
                  [](MemoryNetwork& n) {
                      qq(n);
                      qq(n);
                  },
                  "192.168.5.5  found IP Duplicate", true, {}, {}},
        EntryCase{"VnTwice", [](MemoryNetwork& n) { n.add_recovery_loader(M, {.answers = 2}); },
                  "192.168.5.5  found IP Duplicate", true, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

class ManualEntry : public ::testing::Test {
protected:
    void enter(const std::string& text) {
        b.w.IPComBox.set_text(text);
        b.w.IPComBox.key_press(ENTER);
    }
    test::SearchBench b;
    TUpgradeForm1& w = b.w;
};

TEST_F(ManualEntry, NormalRecordAsksForThePassword) {
    qq(b.net);
    enter(M);
    ASSERT_EQ(w.routers.count, 1);
    EXPECT_EQ(w.routers.info[0].module, "");
    EXPECT_EQ(w.routers.info[0].detail, "");
    EXPECT_EQ(w.PasswordComBox.color(), clWhite);
    EXPECT_TRUE(w.PasswordComBox.enabled());
    EXPECT_EQ(w.StatusBar1.simple_text(), "Please Input the Root Password");
    EXPECT_EQ(test::layout_mode(w), 3);
    EXPECT_EQ(w.IPComBox.item_index(), 0);
}

TEST_F(ManualEntry, CrashRecordKeepsTheLoaderText) {
    w.embedded = true;
    b.net.add_recovery_loader(M, {.text = "$Plumet Loader 3.1"});
    w.PasswordComBox.set_enabled(true);
    enter(M);
    ASSERT_EQ(w.routers.count, 1);
    EXPECT_EQ(w.routers.info[0].module, "$Plumet Loader 3.1");
    EXPECT_EQ(w.last_recovery_text, "$Plumet Loader 3.1");
    EXPECT_EQ(w.PasswordComBox.color(), clMenu);
    EXPECT_FALSE(w.PasswordComBox.enabled());
    EXPECT_EQ(w.StatusBar1.simple_text(), "Press Upgrade Button To Upgrade Router");
    EXPECT_EQ(test::layout_mode(w), 4);
}

TEST_F(ManualEntry, RecoveryTextIsTheLastDatagramWhoeverSentIt) {
    // Without a marker test: a loader with a wrong marker is still an answer.
    b.net.add_recovery_loader(M, {.wrong_marker = true});
    const int n = w.query_device(2, "69", M);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(w.last_recovery_text, "$PLUMET Boot Loader V1.0");
}

TEST_F(ManualEntry, EnterOnAListedNormalDeviceMarksBoth) {
    b.net.add_normal_router(M);
    w.IPReFreshClick();
    ASSERT_EQ(b.records(), Strings{"1 192.168.5.5"});
    enter(M);
    EXPECT_EQ(b.records(), (Strings{"-2 192.168.5.5", "-2 192.168.5.5"}));
    EXPECT_EQ(w.IPComBox.items(), (Strings{M, "192.168.5.5  IP duplicate"}));
    EXPECT_EQ(w.IPComBox.text(), "192.168.5.5  IP duplicate");
}

TEST_F(ManualEntry, EnterOnADefaultAddressDeviceRecodesItAsMinusThree) {
    b.net.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
    w.IPReFreshClick();
    ASSERT_EQ(b.records(), Strings{"2 192.168.2.1"});
    enter("192.168.2.1");
    EXPECT_EQ(b.records(), (Strings{"-3 192.168.2.1", "-2 192.168.2.1"}));
    // The first item keeps its text.
    EXPECT_EQ(w.IPComBox.items(), (Strings{"192.168.2.1", "192.168.2.1  IP duplicate"}));
}

TEST_F(ManualEntry, EnterOnAListedLoaderMarksACrashDuplicate) {
    vn(b.net);
    w.IPReFreshClick();
    enter("192.168.5.5  crash");
    EXPECT_EQ(b.records(), (Strings{"-1 192.168.5.5", "-1 192.168.5.5"}));
    EXPECT_EQ(w.IPComBox.text(), "192.168.5.5  crash and IP duplicate");
}

TEST_F(ManualEntry, OnlyTheFirstWordIsProbed) {
    qq(b.net);
    enter("192.168.5.5 and some words");
    EXPECT_EQ(b.sent(), (Strings{"192.168.5.5:9", "192.168.5.5:69"}));
    EXPECT_EQ(b.net.pings(), Strings{M});
    EXPECT_EQ(b.records(), Strings{"1 192.168.5.5"});
}

TEST_F(ManualEntry, UsesTheMainWindowsPing) {
    qq(b.net);
    enter(M);
    EXPECT_EQ(w.Ping1->address(), M);
    EXPECT_EQ(w.Ping1->timeout(), 300);
    EXPECT_EQ(w.Ping1->size(), 32);
}

TEST_F(ManualEntry, OtherKeysAreLeftToTheComboBox) {
    qq(b.net);
    w.IPComBox.set_text(M);
    w.IPComBox.key_press('5');
    w.IPComBox.key_press('\n');
    EXPECT_TRUE(b.net.traffic().empty());
    EXPECT_EQ(w.routers.count, 0);
}

TEST_F(ManualEntry, TextThatIsNoAddressIsReportedAsAnError) {
    enter("");
    ASSERT_EQ(b.exceptions_shown(), 1);
    EXPECT_EQ(w.routers.count, 0);
    enter("router.example");
    EXPECT_EQ(b.exceptions_shown(), 2);
    EXPECT_EQ(w.routers.count, 0);
    EXPECT_TRUE(w.IPComBox.items().empty());
}

TEST_F(ManualEntry, FullTableTakesNoFurtherRecord) {
    for (int i = 0; i < router_list::kCapacity; ++i) ASSERT_GE(reserve_record(w.routers), 0);
    qq(b.net);
    w.Upgrade.set_enabled(false);
    enter(M);
    EXPECT_EQ(w.routers.count, router_list::kCapacity);
    EXPECT_TRUE(w.IPComBox.items().empty());
    EXPECT_FALSE(w.Upgrade.enabled());
    EXPECT_EQ(w.Memo1.lines().back(), TABLE_FULL_TEXT);
    EXPECT_EQ(w.StatusBar1.simple_text(), TABLE_FULL_TEXT);
}

}  // namespace
}  // namespace fw
