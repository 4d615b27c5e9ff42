#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SearchBench.h"
#include "discovery/SocketRuntime.h"

namespace fw {
namespace {

using Strings = std::vector<std::string>;

struct SubnetCase {
    const char* name;
    Strings locals;
    std::string remote;
    bool same;
    Strings log;  // the System Log lines the test writes
};

class SameSubnet : public ::testing::TestWithParam<SubnetCase> {
protected:
    test::SearchBench b;
};

Strings new_lines(const TUpgradeForm1& w, std::size_t from) {
    const auto& lines = w.Memo1.lines();
    return Strings(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end());
}

TEST_P(SameSubnet, ComparesThePrefixesAndLogsEachStep) {
    b.net.host().set_addresses(GetParam().locals);
    const std::size_t before = b.w.Memo1.lines().size();
    EXPECT_EQ(b.w.same_subnet(GetParam().remote), GetParam().same);
    EXPECT_EQ(new_lines(b.w, before), GetParam().log);
    EXPECT_TRUE(b.dialogs.calls().empty());
}

const char* kSearching = "Searching for IP Address.";
const char* kSame = "Remote IP and Host IP in the Same Subnet.";
const char* kNotSame = "Remote IP and Host IP Not in the Same Subnet.";

INSTANTIATE_TEST_SUITE_P(
    Addresses, SameSubnet,
    ::testing::Values(
        SubnetCase{"SameThreeParts", {"192.168.1.10"}, "192.168.1.1", true,
                   {kSearching, "Host IP is 192.168.1.10", "Remote IP is 192.168.1.1", kSame}},
        SubnetCase{"ThirdPartDiffers", {"192.168.10.5"}, "192.168.1.5", false,
                   {kSearching, "Host IP is 192.168.10.5", "Remote IP is 192.168.1.5", kNotSame}},
        SubnetCase{"SecondAddressMatches", {"10.0.0.2", "192.168.0.100"}, "192.168.0.1", true,
                   {kSearching, "Host IP is 10.0.0.2", "Remote IP is 192.168.0.1", kNotSame,
                    "Host IP is 192.168.0.100", "Remote IP is 192.168.0.1", kSame}},
        SubnetCase{"ThirdOfThreeMatches", {"10.0.0.2", "172.16.0.2", "192.168.0.100"}, "192.168.0.1", true,
                   {kSearching, "Host IP is 10.0.0.2", "Remote IP is 192.168.0.1", kNotSame, "Host IP is 172.16.0.2",
                    "Remote IP is 192.168.0.1", kNotSame, "Host IP is 192.168.0.100", "Remote IP is 192.168.0.1",
                    kSame}},
        SubnetCase{"NoneMatches", {"10.0.0.2", "172.16.0.2"}, "192.168.0.1", false,
                   {kSearching, "Host IP is 10.0.0.2", "Remote IP is 192.168.0.1", kNotSame, "Host IP is 172.16.0.2",
                    "Remote IP is 192.168.0.1", kNotSame}},
        SubnetCase{"RemoteWithoutDot", {"192.168.0.100"}, "router", false,
                   {kSearching, "Host IP is 192.168.0.100", "Remote IP is router", kNotSame}},
        SubnetCase{"BothWithoutDot", {"localhost"}, "router", true,
                   {kSearching, "Host IP is localhost", "Remote IP is router", kSame}},
        SubnetCase{"EmptyRemote", {"192.168.0.100"}, "", false,
                   {kSearching, "Host IP is 192.168.0.100", "Remote IP is ", kNotSame}},
        SubnetCase{"LeadingZeroIsAnotherText", {"192.168.1.10"}, "192.168.01.1", false,
                   {kSearching, "Host IP is 192.168.1.10", "Remote IP is 192.168.01.1", kNotSame}},
        SubnetCase{"NoLocalAddress", {}, "192.168.0.1", false, {kSearching, "IP Error."}}),
    [](const auto& info) { return std::string(info.param.name); });

class Subnet : public ::testing::Test {
protected:
    test::SearchBench b;
};

TEST_F(Subnet, StoresTheHostName) {
    b.net.host().set_host_name("bench-pc");
    b.w.same_subnet("192.168.0.1");
    EXPECT_EQ(b.w.host_name, "bench-pc");
    EXPECT_EQ(b.w.get_host_name(), "bench-pc");
}

TEST_F(Subnet, TakesAtMostThirtyTwoAddresses) {
    Strings locals;
    for (int i = 0; i < 32; ++i) locals.push_back("10.0." + std::to_string(i) + ".1");
    locals.push_back("192.168.0.100");
    b.net.host().set_addresses(locals);
    const IP_List list = b.w.local_addresses();
    EXPECT_EQ(list.count, 32);
    EXPECT_EQ(list.address[31], "10.0.31.1");
    EXPECT_FALSE(b.w.same_subnet("192.168.0.1"));
}

TEST_F(Subnet, LocalAddressesInInterfaceOrder) {
    b.net.host().set_addresses({"192.168.0.100", "10.1.2.3"});
    const IP_List list = b.w.local_addresses();
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.address[0], "192.168.0.100");
    EXPECT_EQ(list.address[1], "10.1.2.3");
}

TEST_F(Subnet, CallsFollowEachOtherWithoutLimit) {
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(b.w.same_subnet("192.168.0.1"));
    EXPECT_EQ(b.w.start_sockets(), 0);
    b.w.stop_sockets();
    EXPECT_TRUE(b.dialogs.calls().empty());
}

struct StartupCase {
    const char* name;
    int result;
    std::uint16_t version;
    int expected;
    std::string dialog;  // empty: none
};

class SocketStartup : public ::testing::TestWithParam<StartupCase> {};

TEST_P(SocketStartup, JudgesTheOutcome) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(check_socket_startup(GetParam().result, SocketStartupData{GetParam().version}, dialogs),
              GetParam().expected);
    if (GetParam().dialog.empty()) {
        EXPECT_TRUE(dialogs.calls().empty());
        return;
    }
    ASSERT_EQ(dialogs.calls().size(), 1u);
    const auto& c = dialogs.calls()[0];
    EXPECT_EQ(c.kind, ScriptedDialogs::Kind::MessageDialog);
    EXPECT_EQ(c.text, GetParam().dialog);
    EXPECT_EQ(c.type, MsgDlgType::mtError);
    EXPECT_EQ(c.buttons, unsigned(mbOK));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SocketStartup,
    ::testing::Values(StartupCase{"Version2_0", 0, 0x0002, 0, ""},
                      // Major version in the low byte: 1.1 is the word 0x0101, which is not below 0x0002.
                      StartupCase{"Version1_1PassesTheWordComparison", 0, 0x0101, 0, ""},
                      StartupCase{"Version1_0", 0, 0x0001, -1, "Sockets version is not supported by Windows Sockets."},
                      StartupCase{"StartupFailed", 10091, 0, 10091, "Windows Socket is not responded."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SocketRuntime, StartsUpReportingVersion2_0) {
    SocketStartupData data;
    EXPECT_EQ(socket_startup(SOCKETS_VERSION_2_0, data), 0);
    EXPECT_EQ(data.version, SOCKETS_VERSION_2_0);
    EXPECT_EQ(socket_cleanup(), 0);
    EXPECT_FALSE(socket_call_blocking());
}

}  // namespace
}  // namespace fw
