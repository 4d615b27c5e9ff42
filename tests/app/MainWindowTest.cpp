#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/TUpgradeForm1.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

namespace fw {
namespace {

// Visibility and top of each group after a layout mode, plus the window's outer height.
struct Layout {
    int height;
    bool p, f, g, l;     // password, file, progress, log visible
    int pt, ft, tt, gt;  // tops of password, file, tool and progress groups
};

struct ModeCase {
    const char* name;
    unsigned mode;
    Layout expected;
};

Layout layout_of(const TUpgradeForm1& w) {
    return {w.outer_height(), w.PasswordGroup.visible(), w.UpgreadFileGroup.visible(), w.ProgressGroup.visible(),
            w.GSystemLog.visible(), w.PasswordGroup.top(), w.UpgreadFileGroup.top(), w.ToolGroup.top(),
            w.ProgressGroup.top()};
}

bool operator==(const Layout& a, const Layout& b) {
    return a.height == b.height && a.p == b.p && a.f == b.f && a.g == b.g && a.l == b.l && a.pt == b.pt &&
           a.ft == b.ft && a.tt == b.tt && a.gt == b.gt;
}

std::ostream& operator<<(std::ostream& os, const Layout& l) {
    return os << "{h=" << l.height << " P" << l.p << " F" << l.f << " G" << l.g << " L" << l.l << " pt=" << l.pt
              << " ft=" << l.ft << " tt=" << l.tt << " gt=" << l.gt << "}";
}

struct MainWindow : ::testing::Test {
    test::HeadlessApp h;
    TUpgradeForm1& w = h.app.CreateForm<TUpgradeForm1>();
    int full() const { return w.full_height; }
};

class LayoutModeTest : public MainWindow, public ::testing::WithParamInterface<ModeCase> {};

// Design: S 0/57, P 56/41, F 96/57, T 152/41, G 192/25, L 219/137; outer height 382 + frame.
constexpr int kFull = 382 + TForm::kFrameHeight;

TEST_P(LayoutModeTest, ArrangesTheGroups) {
    ASSERT_EQ(full(), kFull);
    w.SetFormMode(GetParam().mode);
    EXPECT_EQ(layout_of(w), GetParam().expected);
    EXPECT_EQ(w.SearchGroup.top(), 0);
    EXPECT_TRUE(w.SearchGroup.visible());
    EXPECT_EQ(w.StatusBar1.top() + w.StatusBar1.height(), w.client_height());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LayoutModeTest,
    ::testing::Values(
        ModeCase{"Full", 1, {kFull, true, true, true, true, 57, 98, 155, 196}},
        ModeCase{"NoPackageNoPassword", 2, {kFull - 137 - 41 + 4, false, true, true, false, 56, 57, 114, 155}},
        ModeCase{"NoPackagePassword", 3, {kFull - 137 + 4, true, true, true, false, 57, 98, 155, 196}},
        ModeCase{"PackageNoPassword", 4, {kFull - 137 - 41 - 57 + 4, false, false, true, false, 56, 96, 57, 98}},
        ModeCase{"PackagePassword", 5, {kFull - 137 - 57 + 4, true, false, true, false, 57, 96, 98, 139}},
        ModeCase{"AddLog", 6, {kFull + 137, true, true, true, true, 56, 96, 152, 192}},
        ModeCase{"RemoveLog", 7, {kFull - 137, true, true, true, false, 56, 96, 152, 192}},
        ModeCase{"Zero", 0, {kFull, true, true, true, true, 56, 96, 152, 192}},
        ModeCase{"Eight", 8, {kFull, true, true, true, true, 56, 96, 152, 192}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, LogAddedThenRemovedRestoresTheHeightExactly) {
    w.SetFormMode(5);
    const int before = w.outer_height();
    w.SetFormMode(6);
    EXPECT_TRUE(w.GSystemLog.visible());
    EXPECT_EQ(w.GSystemLog.top(), w.ProgressGroup.bottom());
    w.SetFormMode(7);
    EXPECT_EQ(w.outer_height(), before);
    EXPECT_FALSE(w.GSystemLog.visible());
}

TEST_F(MainWindow, AddingTheLogTwiceGrowsTheWindowTwice) {
    w.SetFormMode(4);
    const int before = w.outer_height();
    w.SetFormMode(6);
    w.SetFormMode(6);
    EXPECT_EQ(w.outer_height(), before + 2 * 137);
}

TEST_F(MainWindow, DesignSettings) {
    EXPECT_EQ(w.caption(), "Firmware Upgrade  V1.0.0");
    EXPECT_EQ(w.client_width(), 349);
    EXPECT_EQ(w.client_height(), 382);
    EXPECT_EQ(w.PasswordComBox.max_length(), 9);
    EXPECT_EQ(w.PasswordComBox.password_char(), '*');
    EXPECT_FALSE(w.PasswordComBox.enabled());
    EXPECT_EQ(w.PasswordComBox.color(), clMenu);
    EXPECT_FALSE(w.Upgrade.enabled());
    EXPECT_EQ(w.Memo1.lines(), std::vector<std::string>{""});
    EXPECT_TRUE(w.IPComBox.sorted());
    EXPECT_EQ(w.ProgressBar1.max(), 100);
    EXPECT_FALSE(w.TFTPTimer.enabled());
    EXPECT_EQ(w.TFTPTimer.interval(), 1000u);
    EXPECT_EQ(w.Timer2.interval(), 100u);
    EXPECT_EQ(w.StopTimer1.interval(), 1000u);
    EXPECT_EQ(w.Ping1->timeout(), 300);
    EXPECT_EQ(w.Ping1->size(), 32);
    EXPECT_EQ(w.NMFTP1->vendor, 2411);
    EXPECT_FALSE(w.NMFTP1->passive);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(w.package_magic)), "morvane");
    EXPECT_EQ(w.package_magic[7], 0);
}

// Start-up with a given program file and environment.
struct StartUp : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<test::HeadlessApp> h;
    TUpgradeForm1* w = nullptr;

    void start(const std::string& exe, std::map<std::string, std::string> env = {{"TEMP", "/work/t"}}) {
        h = std::make_unique<test::HeadlessApp>(exe);
        for (auto& [k, v] : env) h->env.set(k, v);
        w = &h->app.CreateForm<TUpgradeForm1>();
    }
    std::string program(const std::string& tail) {
        return dir.write("fwupgrade", std::string(100, '\x90') + tail);
    }
};

struct TrailerCase {
    const char* name;
    std::string tail;
    bool embedded;
};

// The trailer of a package without entries: reserved, entry_count 0, table_distance 14, the magic.
const std::string kEmptyPackage("\0\0\0\0\x0e\0morvane\0", 14);

class TrailerTest : public StartUp, public ::testing::WithParamInterface<TrailerCase> {};

TEST_P(TrailerTest, RecognisesThePackageMagic) {
    start(program(GetParam().tail));
    EXPECT_EQ(w->embedded, GetParam().embedded);
    EXPECT_TRUE(h->dialogs.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Trailers, TrailerTest,
                         ::testing::Values(TrailerCase{"SevenLettersAndZero", kEmptyPackage, true},
                                           TrailerCase{"EighthByteNotZero", "morvaneX", false},
                                           TrailerCase{"NoTrailer", "justcode", false},
                                           TrailerCase{"OtherCase", std::string("MORVANE\0", 8), false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, UnreadableProgramFileMeansNoPackageAndNoMessage) {
    start(dir.path() + "/missing-program");
    EXPECT_FALSE(w->embedded);
    EXPECT_TRUE(h->dialogs.calls().empty());
}

TEST_F(StartUp, SetsTheTemporaryFolderAndTheBrowseFolder) {
    start(program("none...."), {{"TEMP", "/var/tmp/fw"}});
    EXPECT_EQ(w->temp_dir, "/var/tmp/fw/");
    EXPECT_EQ(w->OpenDialog1.initial_dir, dir.path());
    EXPECT_EQ(w->full_height, 382 + TForm::kFrameHeight);
    EXPECT_EQ(w->file_size, 0);
    EXPECT_EQ(w->stop_counter, 0);
    EXPECT_FALSE(w->service_mode);
}

TEST_F(StartUp, WithoutTempTheSystemTemporaryFolderIsUsed) {
    start(program("none...."), {});
    EXPECT_EQ(w->temp_dir, "/tmp/");
}

TEST_F(StartUp, BrowseCancelledChangesNothing) {
    start(program("none...."));
    w->file_size = 77;
    w->UpdateFileName.set_text("old");
    w->Browse.click();
    EXPECT_EQ(w->UpdateFileName.text(), "old");
    EXPECT_EQ(w->file_size, 77);
}

TEST_F(StartUp, BrowseOnAReadableFileTakesItsLength) {
    start(program("none...."));
    w->file_size = 77;
    const std::string fw = dir.write("router.bin", std::vector<unsigned char>(1234, 1));
    h->dialogs.answer_open(fw);
    w->Browse.click();
    EXPECT_EQ(w->UpdateFileName.text(), fw);
    EXPECT_EQ(w->file_size, 1234);
    EXPECT_EQ(h->dialogs.calls().back().initial_dir, dir.path());
}

TEST_F(StartUp, BrowseOnAnUnreadableFileShowsThePathAndKeepsTheSize) {
    start(program("none...."));
    w->file_size = 77;
    h->dialogs.answer_open(dir.path() + "/gone.bin");
    w->Browse.click();
    EXPECT_EQ(w->UpdateFileName.text(), dir.path() + "/gone.bin");
    EXPECT_EQ(w->file_size, 77);
}

}  // namespace
}  // namespace fw
