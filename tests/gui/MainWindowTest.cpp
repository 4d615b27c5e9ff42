// The main window rendered by the Qt binding in every layout mode: widget
// geometry and visibility follow the model, and each view is saved as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "GuiTestApp.h"
#include "app/TUpgradeForm1.h"
#include "support/NullNetwork.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/ui/ScriptedDialogs.h"

namespace fw {
namespace {

// A run of the tool with the real window and nothing else real: no network,
// scripted boxes, a program file that does not exist (so no package).
struct WindowHarness {
    WindowHarness() { app.set_binding(&binding); }

    QtEventLoop loop;
    ScriptedDialogs dialogs;
    test::NullNetwork net;
    MapEnvironment env{{{"TEMP", "/tmp"}}};
    QtBinding binding{loop};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
};

struct ModeCase {
    std::string name;
    std::vector<unsigned> modes;  // applied in order to a fresh window
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class MainWindowModes : public ::testing::TestWithParam<ModeCase> {
protected:
    static void SetUpTestSuite() { test::gui_app(); }
};

void expect_same_geometry(const QtBinding& binding, const Control& c, const QWidget& window) {
    SCOPED_TRACE(c.name());
    const QWidget* w = binding.widget_for(c);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(c.left(), c.top(), c.width(), c.height()));
    // Its own visibility; a control in a hidden group keeps its own.
    EXPECT_EQ(!w->isHidden(), c.visible());
    (void)window;
}

TEST_P(MainWindowModes, WidgetsFollowTheModelAndArePainted) {
    WindowHarness h;
    auto& form = h.app.CreateForm<TUpgradeForm1>();
    form.Show();
    for (unsigned mode : GetParam().modes) form.SetFormMode(mode);
    QApplication::processEvents();

    QWidget* window = h.binding.widget_for(form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "Firmware Upgrade  V1.0.0");
    EXPECT_EQ(window->width(), form.client_width());
    EXPECT_EQ(window->height(), form.client_height());
    // A dialog frame: the user cannot resize it.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    for (const Control* group : {static_cast<const Control*>(&form.SearchGroup), static_cast<const Control*>(&form.PasswordGroup),
                                 static_cast<const Control*>(&form.UpgreadFileGroup), static_cast<const Control*>(&form.ToolGroup),
                                 static_cast<const Control*>(&form.ProgressGroup), static_cast<const Control*>(&form.GSystemLog)}) {
        expect_same_geometry(h.binding, *group, *window);
        for (const Control* child : group->children()) expect_same_geometry(h.binding, *child, *window);
    }
    expect_same_geometry(h.binding, form.StatusBar1, *window);
    // The status bar keeps to the bottom edge, and every visible group fits.
    EXPECT_EQ(h.binding.widget_for(form.StatusBar1)->geometry().bottom(), window->height() - 1);
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->isVisibleTo(window)) {
            EXPECT_LE(g->geometry().bottom(), window->height() - 19) << g->title().toStdString();
        }

    test::save_png(*window, "main-" + GetParam().name);
}

// Modes 1 to 5 each on a fresh window; 6 and 7 add and remove the log on top of mode 4.
INSTANTIATE_TEST_SUITE_P(Modes, MainWindowModes,
                         ::testing::Values(ModeCase{"design", {}}, ModeCase{"mode-1", {1}}, ModeCase{"mode-2", {2}},
                                           ModeCase{"mode-3", {3}}, ModeCase{"mode-4", {4}}, ModeCase{"mode-5", {5}},
                                           ModeCase{"mode-6", {4, 6}}, ModeCase{"mode-7", {4, 6, 7}}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n) if (c == '-') c = '_';
                             return n;
                         });

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::gui_app(); }
};

TEST_F(MainWindow, ReportsReachTheWidgets) {
    WindowHarness h;
    auto& form = h.app.CreateForm<TUpgradeForm1>();
    form.Show();
    form.SetFormMode(1);
    form.IPComBox.add_item("192.168.0.1  crash");
    form.IPComBox.add_item("192.168.0.10");
    form.IPComBox.set_item_index(0);
    form.PasswordComBox.set_enabled(true);
    form.PasswordComBox.set_color(clWhite);
    form.PasswordComBox.set_text("secret");
    form.Upgrade.set_enabled(true);
    form.status("1 device found");
    form.ProgressBar1.set_max(200);
    form.ProgressBar1.set_position(50);
    form.log("Put Upgrade File >>/tmp/fw.bin");
    form.log("Stop Counter = 1");
    QApplication::processEvents();

    QWidget* window = h.binding.widget_for(form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(h.binding.widget_for(form.Upgrade)->isEnabled());
    EXPECT_TRUE(h.binding.widget_for(form.PasswordComBox)->isEnabled());
    auto* combo = dynamic_cast<QComboBox*>(h.binding.widget_for(form.IPComBox));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "192.168.0.1  crash");
    EXPECT_EQ(combo->count(), 2);
    auto* memo = dynamic_cast<QPlainTextEdit*>(h.binding.widget_for(form.Memo1));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->document()->blockCount(), 3);  // the first, empty line and two reports
    EXPECT_EQ(memo->document()->lastBlock().text(), "Stop Counter = 1");
    EXPECT_EQ(h.binding.widget_for(form.StatusBar1)->findChild<QLabel*>()->text(), "1 device found");
    test::save_png(*window, "main-reports");
}

}  // namespace
}  // namespace fw
