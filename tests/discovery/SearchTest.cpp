#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SearchBench.h"
#include "TestDevices.h"
#include "discovery/DeviceTable.h"
#include "platform/runtime/Exception.h"
#include "support/NullNetwork.h"

namespace fw {
namespace {

using memnet::MemoryNetwork;
using routersim::NormalRouterOptions;
using routersim::RecoveryLoaderOptions;
using Strings = std::vector<std::string>;

constexpr const char* A = "192.168.0.10";
constexpr const char* B = "192.168.0.20";

struct SearchCase {
    const char* name;
    std::function<void(MemoryNetwork&)> setup;
    Strings records;  // "status address", in table order
    Strings items;    // the device list, in its sorted order
    std::string status;
};

class SearchScenario : public ::testing::TestWithParam<SearchCase> {
protected:
    test::SearchBench b;
};

TEST_P(SearchScenario, FillsTheTableAndTheList) {
    GetParam().setup(b.net);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.records(), GetParam().records);
    EXPECT_EQ(b.w.IPComBox.items(), GetParam().items);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SearchScenario,
    ::testing::Values(
        SearchCase{"NothingAnywhere", [](MemoryNetwork&) {}, {}, {}, "0 device found"},
        SearchCase{"OneNormalRouter", [](MemoryNetwork& n) { n.add_normal_router(A); }, {"1 192.168.0.10"},
                   {"192.168.0.10"}, "1 device found"},
        SearchCase{"NormalRouterWithoutPing",
                   [](MemoryNetwork& n) { n.add_normal_router(A, {.answers_ping = false}); }, {"4 192.168.0.10"},
                   {"192.168.0.10  unreachable"}, "1 device found"},
        SearchCase{"RecoveryLoader", [](MemoryNetwork& n) { n.add_recovery_loader(A); }, {"0 192.168.0.10"},
                   {"192.168.0.10  crash"}, "1 device found"},
        SearchCase{"RecoveryLoaderWithoutPing",
                   [](MemoryNetwork& n) { n.add_recovery_loader(A, {.answers_ping = false}); }, {"3 192.168.0.10"},
                   {"192.168.0.10  crash and unreachable"}, "1 device found"},
        SearchCase{"TwoNormalRoutersSharingAnAddress",
                   [](MemoryNetwork& n) {
                       n.add_normal_router(A);
                       n.add_normal_router(A);
                   },
                   {"-2 192.168.0.10", "-2 192.168.0.10"}, {"192.168.0.10", "192.168.0.10  IP Duplicate "},
                   "2 devices found"},
        SearchCase{"NormalRouterAndLoaderSharingAnAddress",
                   [](MemoryNetwork& n) {
                       n.add_normal_router(A);
                       n.add_recovery_loader(A);
                   },
                   {"-2 192.168.0.10", "-1 192.168.0.10"}, {"192.168.0.10", "192.168.0.10  crash and IP Duplicate"},
                   "2 devices found"},
        SearchCase{"ThirdAnswerFromAMarkedAddress",
                   [](MemoryNetwork& n) { n.add_normal_router(A, {.answers = 3}); },
                   {"-2 192.168.0.10", "-2 192.168.0.10", "-2 192.168.0.10"},
                   {"192.168.0.10", "192.168.0.10  IP Duplicate ", "192.168.0.10  IP Duplicate "},
                   "3 devices found"},
        SearchCase{"UnreachableNormalRoutersSharingAnAddress",
                   [](MemoryNetwork& n) { n.add_normal_router(A, {.answers = 2, .answers_ping = false}); },
                   {"-5 192.168.0.10", "-5 192.168.0.10"},
                   {"192.168.0.10  IP Duplicate and unreachable", "192.168.0.10  unreachable"},
                   "2 devices found"},
        SearchCase{"LoaderRepeatingItsAnswerWithoutPing",
                   [](MemoryNetwork& n) { n.add_recovery_loader(A, {.answers = 2, .answers_ping = false}); },
                   {"-4 192.168.0.10", "-4 192.168.0.10"},
                   {"192.168.0.10  crash and IP Duplicate and unreachable", "192.168.0.10  crash and unreachable"},
                   "2 devices found"},
        SearchCase{"LoaderRepeatingItsAnswer", [](MemoryNetwork& n) { n.add_recovery_loader(A, {.answers = 2}); },
                   {"-1 192.168.0.10", "-1 192.168.0.10"},
                   {"192.168.0.10  crash", "192.168.0.10  crash and IP Duplicate"}, "2 devices found"},
        SearchCase{"LoaderWithAWrongMarker",
                   [](MemoryNetwork& n) { n.add_recovery_loader(A, {.wrong_marker = true}); }, {}, {},
                   "0 device found"},
        SearchCase{"TwoDevicesSortedByText",
                   [](MemoryNetwork& n) {
                       n.add_normal_router(B);
                       n.add_recovery_loader(A);
                   },
                   {"1 192.168.0.20", "0 192.168.0.10"}, {"192.168.0.10  crash", "192.168.0.20"},
                   "2 devices found"},
        SearchCase{"DefaultAddressAnsweringQqOnce",
                   [](MemoryNetwork& n) { n.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>()); },
                   {"2 192.168.2.1"}, {"192.168.2.1"}, "1 device found"},
        SearchCase{"DefaultAddressAnsweringQqTwice",
                   [](MemoryNetwork& n) {
                       n.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
                       n.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
                   },
                   {}, {}, "0 device found"},
        SearchCase{"DefaultAddressAnsweringVnWithoutMarker",
                   // The broadcast drops the answer for its marker; the directed query has no marker test.
                   [](MemoryNetwork& n) { n.add_recovery_loader("192.168.1.254", {.wrong_marker = true}); },
                   {"3 192.168.1.254"}, {"192.168.1.254  crash"}, "1 device found"},
        SearchCase{"DefaultAddressSharedByTwoQqDevicesAndALoader",
                   [](MemoryNetwork& n) {
                       n.add_device("192.168.0.1", std::make_unique<test::QqOnlyDevice>());
                       n.add_device("192.168.0.1", std::make_unique<test::QqOnlyDevice>());
                       n.add_recovery_loader("192.168.0.1", {.wrong_marker = true});
                   },
                   {"3 192.168.0.1"}, {"192.168.0.1  crash"}, "1 device found"},
        SearchCase{"DefaultAddressAlreadyFoundByTheBroadcast",
                   [](MemoryNetwork& n) { n.add_normal_router("192.168.0.1"); }, {"1 192.168.0.1"},
                   {"192.168.0.1"}, "1 device found"},
        SearchCase{"DefaultLoaderAlreadyFoundByTheBroadcast",
                   [](MemoryNetwork& n) { n.add_recovery_loader("192.168.123.254"); }, {"0 192.168.123.254"},
                   {"192.168.123.254  crash"}, "1 device found"}),
    [](const auto& info) { return std::string(info.param.name); });

class Search : public ::testing::Test {
protected:
    test::SearchBench b;
};

TEST_F(Search, KeepsTheTextsOfTheReplies) {
    b.net.add_normal_router(A, {.module = "WX2000", .detail = "rev B"});
    b.net.add_recovery_loader(B, {.text = "$Plumet Loader 2"});
    b.w.IPReFreshClick();
    ASSERT_EQ(b.w.routers.count, 2);
    EXPECT_EQ(b.w.routers.info[0].module, "WX2000");
    EXPECT_EQ(b.w.routers.info[0].detail, "rev B");
    EXPECT_EQ(b.w.routers.info[1].module, "$Plumet Loader 2");
    EXPECT_EQ(b.w.routers.info[1].detail, "");
}

TEST_F(Search, TakesTextsOnlyFromTheBytesReceived) {
    // 20 bytes: the detail is cut at the end of the datagram, the module lies beyond it.
    b.net.add_normal_router(A, {.module = "WX2000", .detail = "ABCDEFGHIJ", .reply_length = 20});
    b.w.IPReFreshClick();
    ASSERT_EQ(b.w.routers.count, 1);
    EXPECT_EQ(b.w.routers.info[0].detail, "ABCDEFGH");
    EXPECT_EQ(b.w.routers.info[0].module, "");
}

TEST_F(Search, ReadsTheFirstBytesOfALongReply) {
    b.net.add_normal_router(A, {.module = "WX2000", .reply_length = 200});
    b.w.IPReFreshClick();
    ASSERT_EQ(b.w.routers.count, 1);
    EXPECT_EQ(b.w.routers.info[0].module, "WX2000");
}

TEST_F(Search, ModuleWithoutZeroByteEndsWithTheReadBuffer) {
    routersim::Bytes reply(100, 'x');
    b.net.add_device(A, std::make_unique<test::FixedReplyDevice>(9, reply));
    b.w.IPReFreshClick();
    ASSERT_GE(b.w.routers.count, 1);
    EXPECT_EQ(b.w.routers.info[0].module, std::string(68 - 44, 'x'));
    EXPECT_EQ(b.w.routers.info[0].detail, std::string(68 - 12, 'x'));
}

TEST_F(Search, ShortVnAnswerIsNotTakenForTheMarker) {
    // Four bytes of TFTP header and nothing else cannot carry "$Plumet", even
    // when the read buffer still holds the marker of the answer read before.
    b.net.add_recovery_loader(B);
    b.net.add_device(A, std::make_unique<test::FixedReplyDevice>(69, routersim::Bytes{0, 3, 0, 1}));
    b.w.IPReFreshClick();
    EXPECT_EQ(b.records(), Strings{"0 192.168.0.20"});
}

TEST_F(Search, ProbesInOrder) {
    b.w.IPReFreshClick();
    EXPECT_EQ(b.sent(), (Strings{"255.255.255.255:9", "255.255.255.255:69", "192.168.123.254:9", "192.168.123.254:69",
                                 "192.168.2.1:9", "192.168.2.1:69", "192.168.0.1:9", "192.168.0.1:69",
                                 "192.168.1.254:9", "192.168.1.254:69"}));
}

TEST_F(Search, PingsEveryBroadcastAnswerButNoDefaultAddress) {
    b.net.add_normal_router(A, {.answers_ping = false});
    b.net.add_recovery_loader(B);
    b.net.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
    b.w.IPReFreshClick();
    EXPECT_EQ(b.net.pings(), (Strings{A, B}));
    EXPECT_EQ(b.refresh.Ping1->size(), 56);
    EXPECT_EQ(b.refresh.Ping1->timeout(), 150);
    EXPECT_EQ(b.refresh.Ping1->ttl(), 64);
}

TEST_F(Search, WrongMarkerStillMovesTheProgressBar) {
    b.net.add_recovery_loader(A, {.wrong_marker = true});
    b.net.add_recovery_loader(B, {.wrong_marker = true});
    b.w.IPReFreshClick();
    EXPECT_EQ(b.refresh.ProgressBar1.position(), 4);
    EXPECT_EQ(b.w.IPComBox.item_index(), -1);
}

TEST_F(Search, ProgressJumpsToTheEndOnceTheListHoldsAnItem) {
    b.net.add_normal_router(A);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.refresh.ProgressBar1.position(), 100);
    // The main window's own bar starts from nothing after a refresh.
    EXPECT_EQ(b.w.ProgressBar1.position(), 0);
}

TEST_F(Search, DefaultAddressesDoNotMoveTheProgressBar) {
    b.net.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
    b.w.IPReFreshClick();
    EXPECT_EQ(b.records(), Strings{"2 192.168.2.1"});
    EXPECT_EQ(b.refresh.ProgressBar1.position(), 0);
}

TEST_F(Search, SixtyFifthDeviceIsIgnored) {
    for (int i = 1; i <= 65; ++i) b.net.add_normal_router("10.0.1." + std::to_string(i));
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.routers.count, router_list::kCapacity);
    EXPECT_EQ(b.w.IPComBox.items().size(), 64u);
    EXPECT_EQ(b.net.pings().size(), 64u);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "64 devices found");
    const auto& lines = b.w.Memo1.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), TABLE_FULL_TEXT), 1);
}

TEST_F(Search, FullTableKeepsDefaultAddressesOut) {
    for (int i = 1; i <= 64; ++i) b.net.add_normal_router("10.0.1." + std::to_string(i));
    b.net.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.routers.count, 64);
    EXPECT_FALSE(table_has_address(b.w.routers, "192.168.2.1"));
    const auto& lines = b.w.Memo1.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), TABLE_FULL_TEXT), 1);
}

TEST_F(Search, RunsInTheSearchDialog) {
    b.w.IPReFreshClick();
    EXPECT_EQ(b.modal_runs(), 1);
    EXPECT_EQ(b.dialogs.calls().at(0).caption, "Searching for installed device(s)...");
    EXPECT_FALSE(b.refresh.visible());
    EXPECT_FALSE(b.refresh.Timer1.enabled());
}

TEST_F(Search, DialogClosedBeforeItsFirstTickSearchesNothingLater) {
    b.net.add_normal_router(A);
    b.dialogs.set_modal_close_after(10);
    b.w.IPReFreshClick();
    b.loop.run_for(1000);
    EXPECT_FALSE(b.refresh.Timer1.enabled());
    EXPECT_TRUE(b.net.traffic().empty());
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "0 device found");
}

TEST_F(Search, OneNormalRouterIsSelectedAndSetUp) {
    b.net.add_normal_router(A);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.IPComBox.item_index(), 0);
    EXPECT_EQ(b.w.IPComBox.text(), A);
    EXPECT_TRUE(b.w.PasswordComBox.enabled());
    EXPECT_EQ(b.w.PasswordComBox.color(), clWhite);
    EXPECT_TRUE(b.w.Upgrade.enabled());
    EXPECT_EQ(test::layout_mode(b.w), 3);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "1 device found");
}

TEST_F(Search, WithAPackageTheLayoutHasNoFileGroup) {
    b.w.embedded = true;
    b.net.add_recovery_loader(A);
    b.w.IPReFreshClick();
    EXPECT_FALSE(b.w.PasswordComBox.enabled());
    EXPECT_EQ(b.w.PasswordComBox.color(), clMenu);
    EXPECT_TRUE(b.w.Upgrade.enabled());
    EXPECT_EQ(test::layout_mode(b.w), 4);
}

TEST_F(Search, NothingFoundLeavesUpgradeOff) {
    b.w.Upgrade.set_enabled(true);
    b.w.IPReFreshClick();
    EXPECT_FALSE(b.w.Upgrade.enabled());
    EXPECT_EQ(b.w.IPComBox.item_index(), -1);
    EXPECT_EQ(b.w.IPComBox.text(), "");
    EXPECT_EQ(test::layout_mode(b.w), 2);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "0 device found");
}

TEST_F(Search, DefaultAddressItemIsNotSelected) {
    // Only the broadcast probes select the first item.
    b.net.add_device("192.168.2.1", std::make_unique<test::QqOnlyDevice>());
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.IPComBox.items(), Strings{"192.168.2.1"});
    EXPECT_EQ(b.w.IPComBox.item_index(), -1);
    EXPECT_FALSE(b.w.Upgrade.enabled());
    EXPECT_EQ(test::layout_mode(b.w), 2);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "1 device found");
}

TEST_F(Search, FirstItemOfADuplicateSetsNothingUp) {
    b.net.add_normal_router(A, {.answers = 2});
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.IPComBox.text(), A);
    EXPECT_FALSE(b.w.Upgrade.enabled());
    EXPECT_FALSE(b.w.PasswordComBox.enabled());
    EXPECT_EQ(test::layout_mode(b.w), 2);
}

TEST_F(Search, RefreshEmptiesTheTableAndResetsTheRun) {
    b.w.routers.count = 2;
    b.w.routers.info[0] = {1, "10.9.9.1", "OLD", "old"};
    b.w.routers.info[1] = {0, "10.9.9.2", "$Plumet", ""};
    b.w.IPComBox.add_item("10.9.9.1");
    b.w.last_module = "m";
    b.w.last_info = "i";
    b.w.last_recovery_text = "$Plumet old";
    b.w.notice_shown = true;
    b.w.service_mode = true;
    b.w.StopTimer1.set_enabled(true);
    b.w.TFTPTimer.set_enabled(true);
    b.w.ProgressBar1.set_position(50);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.w.routers.count, 0);
    EXPECT_EQ(b.w.routers.info[0].address, "");
    EXPECT_EQ(b.w.routers.info[1].module, "");
    EXPECT_TRUE(b.w.IPComBox.items().empty());
    EXPECT_EQ(b.w.last_module, "");
    EXPECT_EQ(b.w.last_info, "");
    EXPECT_EQ(b.w.last_recovery_text, "");
    EXPECT_FALSE(b.w.notice_shown);
    EXPECT_FALSE(b.w.service_mode);
    EXPECT_FALSE(b.w.StopTimer1.enabled());
    EXPECT_FALSE(b.w.TFTPTimer.enabled());
    EXPECT_EQ(b.w.ProgressBar1.position(), 0);
    EXPECT_TRUE(b.w.IPComBox.focused());
}

TEST_F(Search, ActivationOfTheMainWindowRunsTheSearch) {
    b.net.add_normal_router(A);
    b.w.Activate();
    EXPECT_EQ(b.modal_runs(), 1);
    EXPECT_EQ(b.records(), Strings{"1 192.168.0.10"});
}

TEST_F(Search, ARefreshAskedForDuringTheSearchDoesNotRunTwice) {
    // A main-window timer that asks for a refresh ticks inside the dialog's loop.
    b.w.StopTimer1.set_interval(5);
    b.w.StopTimer1.on_timer = [this] { b.w.IPReFreshClick(); };
    b.w.StopTimer1.set_enabled(true);
    b.net.add_normal_router(A);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.modal_runs(), 1);
    EXPECT_EQ(b.records(), Strings{"1 192.168.0.10"});
    // Once it has ended, the next refresh runs normally.
    b.w.IPReFreshClick();
    EXPECT_EQ(b.modal_runs(), 2);
}

TEST(SearchRelease, MainWindowReleasedWhileTheDialogIsOpen) {
    // The window is destroyed from the dialog's loop; nothing may touch it after.
    auto b = std::make_unique<test::SearchBench>();
    b->net.add_normal_router(A);
    TUpgradeForm1& w = b->w;
    w.StopTimer1.set_interval(5);
    w.StopTimer1.on_timer = [&w] { w.Release(); };
    w.StopTimer1.set_enabled(true);
    w.IPReFreshClick();
    EXPECT_TRUE(b->app.terminated());
    EXPECT_EQ(b->app.main_form(), nullptr);
    EXPECT_TRUE(b->net.traffic().empty());
    b->loop.run_for(100);
    EXPECT_TRUE(b->net.traffic().empty());
}

TEST_F(Search, MainWindowWithoutSearchDialogStillResets) {
    b.w.set_refresh_form(nullptr);
    b.net.add_normal_router(A);
    b.w.IPReFreshClick();
    EXPECT_EQ(b.modal_runs(), 0);
    EXPECT_EQ(b.w.StatusBar1.simple_text(), "0 device found");
}

// A network whose probe socket cannot send, as on a computer without any network.
class UnsentNetwork final : public NetworkFactory {
public:
    std::unique_ptr<DatagramSocket> make_datagram_socket() override { return std::make_unique<Socket>(*this); }
    std::unique_ptr<Pinger> make_pinger() override { return null_.make_pinger(); }
    std::unique_ptr<EventDatagramEndpoint> make_event_datagram_endpoint() override {
        return null_.make_event_datagram_endpoint();
    }
    std::unique_ptr<FtpClient> make_ftp_client() override { return null_.make_ftp_client(); }
    HostInfo& host_info() override { return null_.host_info(); }

    int open_sockets = 0;

private:
    class Socket final : public DatagramSocket {
    public:
        explicit Socket(UnsentNetwork& net) : net_(net) {}
        void set_proto(const std::string&) override {}
        void set_addr(const std::string&) override {}
        void set_port(const std::string&) override {}
        void Connect() override {
            if (!open_) ++net_.open_sockets;
            open_ = true;
        }
        int Send(const void*, std::size_t) override { throw ESocketError("Network is unreachable"); }
        int ReceiveFrom(void*, std::size_t, SocketAddress&) override { return 0; }
        void Close() override {
            if (open_) --net_.open_sockets;
            open_ = false;
        }

    private:
        UnsentNetwork& net_;
        bool open_ = false;
    };
    test::NullNetwork null_;
};

TEST(SearchFailure, SocketErrorEndsTheSearchOnceAndIsShown) {
    VirtualClock clock;
    PollEventLoop loop{clock};
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    UnsentNetwork net;
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<TUpgradeForm1>();
    auto& refresh = app.CreateForm<TRefreshForm>(w);
    w.set_refresh_form(&refresh);
    w.Upgrade.set_enabled(true);

    w.IPReFreshClick();
    loop.run_for(1000);

    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_EQ(dialogs.calls()[1].kind, ScriptedDialogs::Kind::Exception);
    EXPECT_EQ(dialogs.calls()[1].text, "Network is unreachable");
    EXPECT_FALSE(refresh.Timer1.enabled());
    EXPECT_FALSE(refresh.visible());
    EXPECT_EQ(net.open_sockets, 0);
    EXPECT_FALSE(w.Upgrade.enabled());
    EXPECT_EQ(w.StatusBar1.simple_text(), "0 device found");
}

}  // namespace
}  // namespace fw
