// The headless device search on the real clock and the POSIX network, inside
// the PC namespace of a lab network whose routers are routersim processes.
// Each lab prints what the main window shows after a refresh and compares it.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "app/TUpgradeForm1.h"
#include "discovery/LayoutMode.h"
#include "discovery/TRefreshForm.h"
#include "e2e/lab/LabNetwork.h"
#include "platform/net/posix/PosixNetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"

namespace fw {
namespace {

using lab::LabConfig;
using lab::LabNetwork;
using lab::LabRouter;
using lab::PingReply;

// Runs one refresh as the program does it and describes the main window.
// Only ever called inside the lab's PC namespace.
std::string search_and_describe() {
    PollEventLoop loop;  // the real clock
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    PosixNetworkFactory net{loop, [] { return test::NullNetwork().make_ftp_client(); }};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<TUpgradeForm1>();
    auto& refresh = app.CreateForm<TRefreshForm>(w);
    w.set_refresh_form(&refresh);

    w.Activate();

    std::ostringstream out;
    for (const auto& item : w.IPComBox.items()) out << "item " << item << "\n";
    for (int i = 0; i < w.routers.count; ++i) {
        const router_info& r = w.routers.info[i];
        out << "record " << r.status << " " << r.address << " [" << r.module << "]\n";
    }
    out << "selected " << w.IPComBox.text() << "\n";
    out << "status " << w.StatusBar1.simple_text() << "\n";
    out << "upgrade " << (w.Upgrade.enabled() ? "on" : "off") << "\n";
    out << "password " << (w.PasswordComBox.enabled() ? "on" : "off") << "\n";
    out << "mode " << test::layout_mode(w) << "\n";
    for (const auto& c : dialogs.calls())
        if (c.kind != ScriptedDialogs::Kind::ModalForm) out << "dialog " << c.caption << "|" << c.text << "\n";
    return out.str();
}

struct LabCase {
    const char* name;
    std::vector<LabRouter> routers;
    const char* expected;
};

class DiscoveryLab : public ::testing::TestWithParam<LabCase> {
protected:
    void SetUp() override {
        const std::string why = LabNetwork::unavailable_reason();
        if (!why.empty()) GTEST_SKIP() << why;
    }
};

TEST_P(DiscoveryLab, SearchShowsTheDevices) {
    LabConfig config;
    config.routers = GetParam().routers;
    LabNetwork lab(config);
    EXPECT_EQ(lab.run_in_pc(search_and_describe), GetParam().expected);
}

const std::string kLoader = "text=$Plumet Boot Loader V1.0";

INSTANTIATE_TEST_SUITE_P(
    Routers, DiscoveryLab,
    ::testing::Values(
        LabCase{"NormalRouter",
                {{"normal", "192.168.0.10/24", {"--normal", "module=WX2000,detail=rev-B"}}},
                "item 192.168.0.10\n"
                "record 1 192.168.0.10 [WX2000]\n"
                "selected 192.168.0.10\n"
                "status 1 device found\n"
                "upgrade on\n"
                "password on\n"
                "mode 3\n"},
        LabCase{"RecoveryLoader",
                {{"loader", "192.168.0.20/24", {"--loader", kLoader}}},
                "item 192.168.0.20  crash\n"
                "record 0 192.168.0.20 [$Plumet Boot Loader V1.0]\n"
                "selected 192.168.0.20  crash\n"
                "status 1 device found\n"
                "upgrade on\n"
                "password off\n"
                "mode 2\n"},
        LabCase{"UnreachableRouter",
                {{"quiet", "192.168.0.30/24", {"--normal", "module=QX1"}, PingReply::Ignored}},
                "item 192.168.0.30  unreachable\n"
                "record 4 192.168.0.30 [QX1]\n"
                "selected 192.168.0.30  unreachable\n"
                "status 1 device found\n"
                "upgrade on\n"
                "password off\n"
                "mode 3\n"},
        LabCase{"TwoDevicesSharingAnAddress",
                {{"twins", "192.168.0.40/24", {"--normal", "module=WX2000", "--normal", "module=WX3000"}}},
                "item 192.168.0.40\n"
                "item 192.168.0.40  IP Duplicate \n"
                "record -2 192.168.0.40 [WX2000]\n"
                "record -2 192.168.0.40 [WX3000]\n"
                "selected 192.168.0.40\n"
                "status 2 devices found\n"
                "upgrade off\n"
                "password off\n"
                "mode 2\n"},
        LabCase{"RoutersAtDefaultAddresses",
                // The loader's broadcast answer lacks the marker; only the directed probe of
                // its default address takes it.
                {{"normal", "192.168.0.1/24", {"--normal", "module=WX2000"}},
                 {"loader", "192.168.1.254/24", {"--loader", kLoader + ",wrong-marker"}}},
                "item 192.168.0.1\n"
                "item 192.168.1.254  crash\n"
                "record 1 192.168.0.1 [WX2000]\n"
                "record 3 192.168.1.254 []\n"
                "selected 192.168.0.1\n"
                "status 2 devices found\n"
                "upgrade on\n"
                "password on\n"
                "mode 3\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
