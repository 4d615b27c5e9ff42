// The real window after a search of the in-memory network that finds several
// devices: the device list holds the item texts of their states, the window
// is laid out for the first one, and the view is saved as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QStatusBar>
#include <QWidget>

#include "GuiTestApp.h"
#include "app/TUpgradeForm1.h"
#include "discovery/TRefreshForm.h"
#include "memnet/MemoryNetwork.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"

namespace fw {
namespace {

struct SearchWindow : ::testing::Test {
    static void SetUpTestSuite() { test::gui_app(); }

    QtEventLoop loop;
    ScriptedDialogs dialogs;
    memnet::MemoryNetwork net{loop, loop.clock()};
    MapEnvironment env{{{"TEMP", "/tmp"}}};
    QtBinding binding{loop};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
};

TEST_F(SearchWindow, ListsEveryDeviceWithTheTextOfItsState) {
    app.set_binding(&binding);
    test::NullNetwork no_ftp;
    net.set_ftp_client_maker([&] { return no_ftp.make_ftp_client(); });
    net.add_normal_router("192.168.0.1", {.module = "WX2000"});
    routersim::NormalRouterOptions silent;
    silent.answers_ping = false;
    net.add_normal_router("192.168.0.20", silent);
    net.add_recovery_loader("192.168.0.5");
    net.add_normal_router("192.168.0.30");
    net.add_normal_router("192.168.0.30");

    auto& form = app.CreateForm<TUpgradeForm1>();
    auto& refresh = app.CreateForm<TRefreshForm>(form);
    form.set_refresh_form(&refresh);
    form.Show();
    form.Activate();
    QApplication::processEvents();

    EXPECT_EQ(form.IPComBox.items(),
              (std::vector<std::string>{"192.168.0.1", "192.168.0.20  unreachable", "192.168.0.30",
                                        "192.168.0.30  IP Duplicate ", "192.168.0.5  crash"}));
    EXPECT_EQ(form.StatusBar1.simple_text(), "5 devices found");
    // The first item is a running router: the password box is open and the layout asks for it.
    EXPECT_TRUE(form.PasswordComBox.enabled());
    EXPECT_TRUE(form.PasswordGroup.visible());
    EXPECT_TRUE(form.Upgrade.enabled());

    QWidget* window = binding.widget_for(form);
    ASSERT_NE(window, nullptr);
    auto* combo = qobject_cast<QComboBox*>(binding.widget_for(form.IPComBox));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->itemText(4).toStdString(), "192.168.0.5  crash");
    EXPECT_EQ(combo->currentText().toStdString(), "192.168.0.1");
    EXPECT_FALSE(binding.widget_for(refresh) && binding.widget_for(refresh)->isVisible());
    test::save_png(*window, "main-after-search");
}

}  // namespace
}  // namespace fw
