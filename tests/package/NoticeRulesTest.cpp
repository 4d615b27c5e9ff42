#include <gtest/gtest.h>

#include <ostream>

#include <optional>

#include "package/PackageFixtures.h"

namespace fw {
namespace {

using test::notice_bytes;
using Kind = ScriptedDialogs::Kind;

constexpr int kSlot = 3;
constexpr int kDevice = 2;
const std::string kEntry = "/tmp/fw/WX2000.msg";

// The main window without a package, with one notice slot and one device.
struct NoticeRules : ::testing::Test {
    test::HeadlessApp h;
    TUpgradeForm1& w = h.app.CreateForm<TUpgradeForm1>();

    NoticeRules() {
        h.dialogs.set_modal_close_after(1000);  // the "user" closes a window that stays
        w.file_list.name[kSlot] = kEntry;
        w.routers.info[kDevice].module = "wx";
        w.routers.count = 3;
    }

    void run(const std::vector<std::uint8_t>& record, std::uint16_t attribute, int mode) {
        w.process_message_file(record.data(), attribute, std::int64_t(record.size()), mode,
                               mode == MENU_MODE ? -1 : kDevice, kSlot);
    }
    std::vector<std::string> log() const {
        const auto& lines = w.Memo1.lines();
        return std::vector<std::string>(lines.begin() + 1, lines.end());
    }
    int windows_shown() const {
        int n = 0;
        for (const auto& c : h.dialogs.calls()) n += c.kind == Kind::ModalForm;
        return n;
    }
};

// One situation of the rules: the record's occasion flags, the entry's
// selection bits, what was shown before and the device's module text.
struct RuleCase {
    const char* name;
    int mode;
    std::uint8_t ftp_only;
    std::uint8_t tftp_only;
    std::uint16_t bits;  // selection bits, added to ATTR_MESSAGE_FILE
    bool shown_before;
    bool shown;                      // a notice window opened
    std::vector<std::string> lines;  // the System Log afterwards
    bool shown_after;
    std::string module = "wx";
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class NoticeRuleTable : public NoticeRules, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(NoticeRuleTable, ShowsLogsAndRemembers) {
    const RuleCase& c = GetParam();
    w.notice_shown = c.shown_before;
    w.routers.info[kDevice].module = c.module;
    run(notice_bytes(c.ftp_only, c.tftp_only), std::uint16_t(ATTR_MESSAGE_FILE | c.bits), c.mode);
    EXPECT_EQ(windows_shown(), c.shown ? 1 : 0);
    EXPECT_EQ(log(), c.lines);
    EXPECT_EQ(w.notice_shown, c.shown_after);
}

const std::string kDidnt = "Didn't Process this Message Attribute in Menu Mode";
std::vector<std::string> foreign(const std::string& mode, int attribute) {
    return {"Unknow Message File in " + mode + " Mode >>" + kEntry, "Message Attribute > " + std::to_string(attribute)};
}
std::vector<std::string> different(int attribute) {
    return {"Message name different. Ignore Message File >>" + kEntry,
            "Message Attribute > " + std::to_string(attribute)};
}

INSTANTIATE_TEST_SUITE_P(
    Menu, NoticeRuleTable,
    ::testing::Values(
        RuleCase{"DefaultShownAndRemembered", MENU_MODE, 1, 1, 3, false, true, {}, true},
        RuleCase{"DefaultShownEvenAfterAnother", MENU_MODE, 1, 1, 3, true, true, {}, true},
        RuleCase{"GeneralShown", MENU_MODE, 1, 1, 1, false, true, {}, false},
        RuleCase{"VendorPassesShownAndRemembered", MENU_MODE, 1, 1, 2, false, true, {}, true},
        RuleCase{"NoSelectionBitLogged", MENU_MODE, 1, 1, 0, false, false,
                 {"Unknow Message File in menu mode >>" + kEntry, "Message Attribute > 1024"}, false},
        RuleCase{"FtpOnlyNotProcessed", MENU_MODE, 1, 0, 1, false, false, {kDidnt}, false},
        RuleCase{"TftpOnlyNotProcessed", MENU_MODE, 0, 1, 3, true, false, {kDidnt}, true},
        RuleCase{"NoFlagsNotProcessed", MENU_MODE, 0, 0, 1, false, false, {kDidnt}, false}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ftp, NoticeRuleTable,
    ::testing::Values(
        RuleCase{"TftpNoticeIsForeign", FTP_MODE, 0, 1, 3, false, false, foreign("FTP", 1027), false},
        RuleCase{"StartUpNoticeIsForeign", FTP_MODE, 1, 1, 1, false, false, foreign("FTP", 1025), false},
        RuleCase{"DefaultShownOnce", FTP_MODE, 1, 0, 3, false, true, {}, true},
        RuleCase{"DefaultNotAgain", FTP_MODE, 1, 0, 3, true, false, {}, true},
        RuleCase{"GeneralShownWithoutFlags", FTP_MODE, 0, 0, 1, false, true, {}, false},
        RuleCase{"GeneralShownAgain", FTP_MODE, 1, 0, 1, true, true, {}, true},
        RuleCase{"ModuleMatchesInAnyCase", FTP_MODE, 1, 0, 2, false, true, {}, true},
        RuleCase{"ModuleDifferentLogged", FTP_MODE, 1, 0, 2, false, false, different(1026), false, "AB"},
        RuleCase{"EmptyModuleMatchesAll", FTP_MODE, 0, 0, 2, false, true, {}, true, ""},
        RuleCase{"ModuleLongerThanNameNeverMatches", FTP_MODE, 0, 0, 2, false, false, different(1026), false,
                 "WX2000.msg-and-more"},
        RuleCase{"NoSelectionBitSilent", FTP_MODE, 1, 0, 0, false, false, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Tftp, NoticeRuleTable,
    ::testing::Values(
        RuleCase{"FtpNoticeIsForeign", TFTP_MODE, 1, 0, 3, false, false, foreign("TFTP", 1027), false},
        RuleCase{"StartUpNoticeIsForeign", TFTP_MODE, 1, 1, 2, false, false, foreign("TFTP", 1026), false},
        RuleCase{"DefaultShownOnce", TFTP_MODE, 0, 1, 3, false, true, {}, true},
        RuleCase{"DefaultNotAgain", TFTP_MODE, 0, 1, 3, true, false, {}, true},
        RuleCase{"GeneralShown", TFTP_MODE, 0, 0, 1, false, true, {}, false},
        RuleCase{"ModuleMatches", TFTP_MODE, 0, 1, 2, false, true, {}, true},
        RuleCase{"ModuleDifferentLogged", TFTP_MODE, 0, 0, 2, false, false, different(1026), false, "AB"},
        RuleCase{"NoSelectionBitSilent", TFTP_MODE, 0, 0, 0, true, false, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The start-up vendor test: the vendor text begins with "ORBE" and is longer, case-sensitive.
struct VendorCase {
    const char* name;
    std::string vendor;
    bool shown;
};
void PrintTo(const VendorCase& c, std::ostream* os) { *os << c.name; }

class VendorTest : public NoticeRules, public ::testing::WithParamInterface<VendorCase> {};

TEST_P(VendorTest, DecidesAModuleNoticeAtStartUp) {
    run(notice_bytes(1, 1, GetParam().vendor), ATTR_MESSAGE_FILE | ATTR_IDCHECK, MENU_MODE);
    EXPECT_EQ(windows_shown(), GetParam().shown ? 1 : 0);
    EXPECT_EQ(w.notice_shown, GetParam().shown);
    EXPECT_TRUE(log().empty());
}

INSTANTIATE_TEST_SUITE_P(Vendors, VendorTest,
                         ::testing::Values(VendorCase{"TagAlone", "ORBE", false}, VendorCase{"TagAndDigit", "ORBE1", true},
                                           VendorCase{"LowerCase", "orbe1", false}, VendorCase{"Shorter", "ORB", false},
                                           VendorCase{"TagNotAtStart", "XORBE1", false},
                                           VendorCase{"FullField", "ORBE-0123456789", true},
                                           VendorCase{"Empty", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Reads a value of the main window while the notice window is open.
struct DuringWindow {
    std::optional<bool> notice_shown;
    std::optional<bool> watchdog;
    EventLoop::Id id = 0;
};

void watch_during_window(NoticeRules& t, DuringWindow& seen) {
    seen.id = t.h.loop.start_timer(300, [&t, &seen] {
        if (seen.notice_shown) return;
        seen.notice_shown = t.w.notice_shown;
        seen.watchdog = t.w.StopTimer1.enabled();
    });
}

struct OrderCase {
    const char* name;
    int mode;
    std::uint16_t bits;
    bool during;  // notice_shown while the window is open
};
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class NoticeShownOrder : public NoticeRules, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(NoticeShownOrder, IsSetAfterTheWindowForDefaultsAndBeforeForModules) {
    DuringWindow seen;
    watch_during_window(*this, seen);
    run(notice_bytes(1, GetParam().mode == MENU_MODE ? 1 : 0), ATTR_MESSAGE_FILE | GetParam().bits, GetParam().mode);
    h.loop.stop_timer(seen.id);
    ASSERT_TRUE(seen.notice_shown.has_value());
    EXPECT_EQ(*seen.notice_shown, GetParam().during);
    EXPECT_TRUE(w.notice_shown);
}

INSTANTIATE_TEST_SUITE_P(Rules, NoticeShownOrder,
                         ::testing::Values(OrderCase{"MenuDefault", MENU_MODE, 3, false},
                                           OrderCase{"MenuVendor", MENU_MODE, 2, false},
                                           OrderCase{"FtpDefault", FTP_MODE, 3, false},
                                           OrderCase{"FtpModule", FTP_MODE, 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NoticeRules, WatchdogIsPausedWhileTheWindowIsOpenAndResumed) {
    w.StopTimer1.set_enabled(true);
    DuringWindow seen;
    watch_during_window(*this, seen);
    run(notice_bytes(1, 0), ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, FTP_MODE);
    h.loop.stop_timer(seen.id);
    ASSERT_TRUE(seen.watchdog.has_value());
    EXPECT_FALSE(*seen.watchdog);
    EXPECT_TRUE(w.StopTimer1.enabled());
}

TEST_F(NoticeRules, WatchdogThatWasOffStaysOff) {
    run(notice_bytes(1, 0), ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, FTP_MODE);
    EXPECT_EQ(windows_shown(), 1);
    EXPECT_FALSE(w.StopTimer1.enabled());
}

TEST_F(NoticeRules, WatchdogIsResumedAlsoWhenNothingIsShown) {
    w.StopTimer1.set_enabled(true);
    run(notice_bytes(0, 1), ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, FTP_MODE);
    EXPECT_EQ(windows_shown(), 0);
    EXPECT_TRUE(w.StopTimer1.enabled());
}

TEST_F(NoticeRules, NoticeWindowCarriesTheRecordsTitle) {
    run(notice_bytes(1, 1, "", "Text", 0, 1, "Read me first"), ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, MENU_MODE);
    ASSERT_EQ(windows_shown(), 1);
    EXPECT_EQ(h.dialogs.calls().back().caption, "Read me first");
}

// A record too short for its header is refused with a log line; nothing is
// read past the length given, even though the buffer is one byte longer.
TEST_F(NoticeRules, RecordShorterThanItsHeaderIsRefused) {
    std::vector<std::uint8_t> record = notice_bytes(1, 1);
    record.resize(100);
    w.StopTimer1.set_enabled(true);
    w.process_message_file(record.data(), ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, 99, MENU_MODE, -1, kSlot);
    EXPECT_EQ(windows_shown(), 0);
    EXPECT_EQ(log(), std::vector<std::string>{"Damaged Message File. Ignore Message File >>" + kEntry +
                                              " (notice record: 99 bytes, shorter than the 125-byte header)"});
    EXPECT_TRUE(w.StopTimer1.enabled());
}

TEST_F(NoticeRules, RecordWhoseTextReachesPastTheDataIsShownCut) {
    std::vector<std::uint8_t> record = notice_bytes(1, 1, "", "Hello there");
    // The stored text_length says 11; only "Hello" is given.
    auto* exact = new std::uint8_t[125 + 5];
    std::copy_n(record.data(), 125 + 5, exact);
    w.process_message_file(exact, ATTR_MESSAGE_FILE | ATTR_NO_IDCHECK, 125 + 5, MENU_MODE, -1, kSlot);
    delete[] exact;
    EXPECT_EQ(windows_shown(), 1);
    EXPECT_TRUE(log().empty());
}

TEST_F(NoticeRules, DeviceOutsideTheTableMatchesNoModule) {
    const std::vector<std::uint8_t> record = notice_bytes(1, 0);
    w.routers.info[kDevice].module = "";  // would match anything
    w.process_message_file(record.data(), ATTR_MESSAGE_FILE | ATTR_IDCHECK, std::int64_t(record.size()), FTP_MODE,
                           router_list::kCapacity, kSlot);
    EXPECT_EQ(windows_shown(), 0);
    EXPECT_EQ(log(), different(1026));
}

}  // namespace
}  // namespace fw
