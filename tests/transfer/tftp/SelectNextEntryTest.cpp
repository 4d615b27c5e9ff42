#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "transfer/tftp/RecoveryHarness.h"

namespace fw {
namespace {

using test::RecoveryHarness;

struct Entry {
    const char* name;
    std::uint16_t attribute;
};

struct WalkCase {
    const char* name;
    std::vector<Entry> entries;
    std::string module;             // the device's module text
    int start;                      // first slot of the walk
    int files_put;                  // entries chosen before the walk
    std::vector<int> results;       // each call's result; the next call starts one slot further
    std::vector<std::string> log;   // every line logged; "D/" stands for the temporary folder
};
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class SelectNextEntry : public ::testing::TestWithParam<WalkCase> {};

TEST_P(SelectNextEntry, WalksTheEntriesInPackageOrder) {
    const WalkCase& c = GetParam();
    RecoveryHarness h;
    for (const Entry& e : c.entries) h.add_entry(e.name, e.attribute, {1, 2, 3});
    h.w->routers.info[0].module = c.module;
    h.w->routers.count = 1;
    h.w->target_index = 0;
    h.w->files_put = c.files_put;
    const std::size_t before = h.log().size();

    std::vector<int> results;
    int r = h.w->select_next_entry(c.start, 3);
    results.push_back(r);
    while (r >= 0 && r < h.w->file_list.count) {
        r = h.w->select_next_entry(r + 1, 3);
        results.push_back(r);
    }
    EXPECT_EQ(results, c.results);

    std::vector<std::string> expected;
    for (std::string line : c.log) {
        if (const auto at = line.find("D/"); at != std::string::npos) line.replace(at, 2, h.dir.path() + "/");
        expected.push_back(line);
    }
    EXPECT_EQ(std::vector<std::string>(h.log().begin() + long(before), h.log().end()), expected);
    EXPECT_TRUE(h.dialogs.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Packages, SelectNextEntry,
    ::testing::Values(
        WalkCase{"ModuleEntryBeforeDefault",
                 {{"WX2000.bin", 0x0802}, {"default.bin", 0x0803}},
                 "wx", 0, 0,
                 {0, SELECT_DONE},
                 {"File Attribute : 2050", "Put Upgrade File >>D/WX2000.bin", "File Attribute : 2051",
                  "Default Upgrade File Ignore >>D/default.bin"}},
        WalkCase{"DefaultBeforeModuleEntry",
                 {{"default.bin", 0x0803}, {"wX2000.bin", 0x0802}},
                 "Wx", 0, 0,
                 {0, 1, SELECT_DONE},
                 {"File Attribute : 2051", "Put Default Upgrade File >>D/default.bin", "File Attribute : 2050",
                  "Put Upgrade File >>D/wX2000.bin"}},
        WalkCase{"EmptyModuleTextMatchesEveryModuleEntry",
                 {{"ABC.bin", 0x0802}, {"XYZ.bin", 0x0802}, {"default.bin", 0x0803}},
                 "", 0, 0,
                 {0, 1, SELECT_DONE},
                 {"File Attribute : 2050", "Put Upgrade File >>D/ABC.bin", "File Attribute : 2050",
                  "Put Upgrade File >>D/XYZ.bin", "File Attribute : 2051",
                  "Default Upgrade File Ignore >>D/default.bin"}},
        WalkCase{"NameShorterThanModuleText",
                 {{"WX.bin", 0x0802}},
                 "WX2000-LONG-NAME", 0, 0,
                 {SELECT_NONE},
                 {"File Attribute : 2050", "Module name different. Ignore Upgrade File >>D/WX.bin"}},
        WalkCase{"NoSelectionBits",
                 {{"a.bin", 0x0800}, {"b.bin", 0x0801}},
                 "wx", 0, 0,
                 {1, SELECT_DONE},
                 {"File Attribute : 2048", "Unkown Attribute. Ignore Upgrade File >>D/a.bin", "File Attribute : 2049",
                  "Put Upgrade File without IDCheck >>D/b.bin"}},
        WalkCase{"GeneralEntryLogs2049",
                 {{"g.bin", 0x0801}},
                 "wx", 0, 0,
                 {0, SELECT_DONE},
                 {"File Attribute : 2049", "Put Upgrade File without IDCheck >>D/g.bin"}},
        WalkCase{"EntryOfNoKind",
                 {{"x.bin", 0x0100}, {"y.bin", 0x0000}},
                 "wx", 0, 0,
                 {SELECT_NONE},
                 {"File Attribute : 256", "Unknow File Attribute -> 256", "File Attribute : 0",
                  "Unknow File Attribute -> 0"}},
        WalkCase{"StartBeyondTheCountWithNothingChosen", {{"g.bin", 0x0801}}, "wx", 5, 0, {SELECT_NONE}, {}},
        WalkCase{"StartBeyondTheCountAfterAChoice", {{"g.bin", 0x0801}}, "wx", 5, 2, {SELECT_DONE}, {}},
        WalkCase{"LaterWalkWithNothingChosen", {{"g.bin", 0x0801}}, "wx", 1, 0, {SELECT_NONE}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SelectNextEntryNotices, AnUnreadableNoticeEndsTheWalkAtOnce) {
    RecoveryHarness h;
    h.add_entry("notice", 0x0400, {1, 2, 3});
    h.add_entry("g.bin", 0x0801, {1});
    ASSERT_EQ(::unlink((h.dir.path() + "/notice.tmp").c_str()), 0);
    const std::size_t before = h.log().size();
    EXPECT_EQ(h.w->select_next_entry(0, 0), -1);
    EXPECT_EQ(std::vector<std::string>(h.log().begin() + long(before), h.log().end()),
              std::vector<std::string>{"File Attribute : 1024"});
    EXPECT_TRUE(h.dialogs.calls().empty());
}

TEST(SelectNextEntryNotices, ANoticeThatFailsWhileReadIsReportedAndTheWalkGoesOn) {
    RecoveryHarness h;
    h.add_entry("notice", 0x0400, {});
    h.add_entry("g.bin", 0x0801, {1});
    // A file that opens but whose size cannot be taken.
    const std::string tmp = h.dir.path() + "/notice.tmp";
    ASSERT_EQ(::unlink(tmp.c_str()), 0);
    ASSERT_EQ(::symlink("/proc/self/status", tmp.c_str()), 0);
    EXPECT_EQ(h.w->select_next_entry(0, 0), 1);
    ASSERT_EQ(h.dialogs.calls().size(), 1u);
    EXPECT_EQ(h.dialogs.boxes()[0], "File Error|Show and Msg File read error");
    EXPECT_EQ(h.dialogs.calls()[0].flags, MB_OKCANCEL);
    EXPECT_EQ(h.w->files_put, 1);
}

}  // namespace
}  // namespace fw
