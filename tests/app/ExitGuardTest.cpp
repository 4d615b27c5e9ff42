#include <gtest/gtest.h>

#include "app/TUpgradeForm1.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

namespace fw {
namespace {

struct ExitGuard : ::testing::Test {
    test::HeadlessApp h;
    TUpgradeForm1& w = h.app.CreateForm<TUpgradeForm1>();
    test::TempDir dir;
    std::vector<std::string> temp_files;

    void SetUp() override { w.Show(); }
    // Two extracted entries with their files on disk.
    void with_package() {
        w.embedded = true;
        for (std::string name : {"a.bin", "b.msg"}) {
            w.file_list.name[w.file_list.count++] = dir.path() + "/" + name;
            temp_files.push_back(dir.write(name + ".tmp", "x"));
        }
    }
    bool files_exist() const {
        for (const auto& f : temp_files)
            if (!test::read_file(f).size()) return false;
        return true;
    }
    bool any_file_exists() const {
        for (const auto& f : temp_files)
            if (test::read_file(f).size()) return true;
        return false;
    }
};

TEST_F(ExitGuard, ExitWithoutATransferClosesTheWindowAndDeletesTheTemporaryFiles) {
    with_package();
    w.Exit.click();
    EXPECT_TRUE(h.app.terminated());
    EXPECT_TRUE(h.dialogs.calls().empty());
}

TEST_F(ExitGuard, ExitDuringATransferAsksAndGoesOn) {
    with_package();
    w.tftp.transfer_open = true;
    bool timer_while_open = true;
    h.dialogs.while_open = [&](const auto&) { timer_while_open = w.StopTimer1.enabled(); };
    w.Exit.click();
    EXPECT_EQ(h.dialogs.boxes(),
              std::vector<std::string>{"Upgrade Not Complete|Don't Exit Upgrade Program When Upgrade Not Complete"});
    EXPECT_FALSE(timer_while_open);
    EXPECT_TRUE(w.StopTimer1.enabled());
    EXPECT_FALSE(h.app.terminated());
    EXPECT_TRUE(files_exist());
}

struct CloseAnswer {
    const char* name;
    int answer;
    bool ends;
};

class CloseQuestion : public ExitGuard, public ::testing::WithParamInterface<CloseAnswer> {};

TEST_P(CloseQuestion, DuringATransferTheCloseCommandAsks) {
    with_package();
    w.tftp.transfer_open = true;
    w.StopTimer1.set_enabled(true);
    bool timer_while_open = true;
    h.dialogs.while_open = [&](const auto&) { timer_while_open = w.StopTimer1.enabled(); };
    h.dialogs.answer(GetParam().answer);
    w.system_command(SC_CLOSE);
    ASSERT_EQ(h.dialogs.calls().size(), 1u);
    EXPECT_EQ(h.dialogs.calls()[0].text, "Do you really want to EXIT?");
    EXPECT_EQ(h.dialogs.calls()[0].caption, "Upgrade Not Complete");
    EXPECT_EQ(h.dialogs.calls()[0].flags, MB_OKCANCEL);
    EXPECT_FALSE(timer_while_open);
    h.loop.process_messages();
    EXPECT_EQ(h.app.terminated(), GetParam().ends);
    if (GetParam().ends) {
        EXPECT_FALSE(any_file_exists());
    } else {
        EXPECT_TRUE(files_exist());
        EXPECT_TRUE(w.StopTimer1.enabled());
        EXPECT_TRUE(w.visible());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseQuestion,
                         ::testing::Values(CloseAnswer{"Ok", IDOK, true}, CloseAnswer{"Cancel", IDCANCEL, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExitGuard, CloseWithoutATransferClosesAtOnce) {
    with_package();
    w.system_command(SC_CLOSE);
    EXPECT_TRUE(h.dialogs.calls().empty());
    EXPECT_TRUE(h.app.terminated());
    EXPECT_FALSE(any_file_exists());
}

struct CommandCase {
    const char* name;
    std::uintptr_t command;
    WindowState state;
};

class SystemCommands : public ExitGuard, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(SystemCommands, MinimiseMaximiseSizeAndMenuBecomeRestore) {
    w.system_command(GetParam().command);
    EXPECT_EQ(w.window_state(), GetParam().state);
    EXPECT_FALSE(h.app.terminated());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommands,
    ::testing::Values(CommandCase{"Minimize", SC_MINIMIZE, WindowState::Normal},
                      CommandCase{"Maximize", SC_MAXIMIZE, WindowState::Normal},
                      CommandCase{"Size", SC_SIZE, WindowState::Normal},
                      CommandCase{"MouseMenu", SC_MOUSEMENU, WindowState::Normal},
                      // Only the plain value is turned into restore.
                      CommandCase{"MinimizeWithLowBits", SC_MINIMIZE | 0x2, WindowState::Minimized}),
    [](const auto& info) { return std::string(info.param.name); });

// Service keys on the Exit button: each press as (key, shift), then the state afterwards.
struct KeyPress {
    std::uint16_t key;
    ShiftState shift;
};
struct KeysCase {
    const char* name;
    std::vector<KeyPress> presses;
    bool service_mode;
    bool log_visible;
    bool embedded;
    int height_change;  // against mode 4
};

class ServiceKeys : public ExitGuard, public ::testing::WithParamInterface<KeysCase> {};

TEST_P(ServiceKeys, SwitchTheServiceView) {
    w.embedded = true;
    w.SetFormMode(4);
    const int base = w.outer_height();
    for (const KeyPress& p : GetParam().presses) w.Exit.key_down(p.key, p.shift);
    EXPECT_EQ(w.service_mode, GetParam().service_mode);
    EXPECT_EQ(w.GSystemLog.visible(), GetParam().log_visible);
    EXPECT_EQ(w.embedded, GetParam().embedded);
    EXPECT_EQ(w.outer_height() - base, GetParam().height_change);
}

constexpr int kLog = 137;
// Mode 1 is the full height; mode 4 is the full height less the log, password and file groups plus 4.
constexpr int kFullFromMode4 = 137 + 41 + 57 - 4;

INSTANTIATE_TEST_SUITE_P(
    Keys, ServiceKeys,
    ::testing::Values(
        KeysCase{"AltF1ShowsTheLog", {{VK_F1, ssAlt}}, true, true, true, kLog},
        KeysCase{"AltF1Twice", {{VK_F1, ssAlt}, {VK_F1, ssAlt}}, true, true, true, kLog},
        KeysCase{"AltF1ThenAltF2", {{VK_F1, ssAlt}, {VK_F2, ssAlt}}, false, false, true, 0},
        KeysCase{"AltF2WithoutServiceView", {{VK_F2, ssAlt}}, false, false, true, 0},
        KeysCase{"F1WithoutAlt", {{VK_F1, 0}}, false, false, true, 0},
        KeysCase{"CtrlAltF1", {{VK_F1, ssAlt | ssCtrl}}, true, true, true, kLog},
        KeysCase{"AltF3FullView", {{VK_F3, ssAlt}}, true, true, false, kFullFromMode4},
        KeysCase{"AltF1ThenAltF3", {{VK_F1, ssAlt}, {VK_F3, ssAlt}}, true, true, true, kLog}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExitGuard, AfterAltF3TheTemporaryFilesStay) {
    with_package();
    w.Exit.key_down(VK_F3, ssAlt);
    w.Exit.click();
    EXPECT_TRUE(h.app.terminated());
    EXPECT_TRUE(files_exist());
}

}  // namespace
}  // namespace fw
