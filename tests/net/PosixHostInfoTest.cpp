#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "PrivateNetwork.h"
#include "platform/net/posix/PosixHostInfo.h"

namespace fw {
namespace {

using test::run_in_private_network;

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& text : texts)
        out += (out.empty() ? "" : " ") + text;
    return out;
}

class PosixHostInfoTest : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make a private network namespace";
    }
};

TEST_F(PosixHostInfoTest, ListsTheIpv4AddressesOfInterfacesThatAreUpWithoutLoopback) {
    const std::string result = run_in_private_network([] {
        const char* setup =
            "ip link add a0 type veth peer name a1 && ip link add b0 type veth peer name b1 && "
            "ip addr add 10.1.0.5/24 dev a0 && ip addr add 10.1.1.5/24 dev a0 && "
            "ip addr add 192.168.0.100/24 dev a1 && ip addr add 172.16.0.1/16 dev b0 && "
            "ip -6 addr add fd00::1/64 dev a0 nodad 2>/dev/null; "
            "ip link set a0 up && ip link set a1 up";  // b0 stays down
        if (std::system(setup) != 0)
            return std::string("cannot set up interfaces");
        return joined(PosixHostInfo().ipv4_addresses());
    });
    // Interface order: the kernel makes the peer of a veth pair (a1) before the named end (a0).
    EXPECT_EQ(result, "192.168.0.100 10.1.0.5 10.1.1.5");
}

TEST_F(PosixHostInfoTest, OnlyLoopbackGivesNoAddress) {
    EXPECT_EQ(run_in_private_network([] { return joined(PosixHostInfo().ipv4_addresses()); }), "");
}

TEST_F(PosixHostInfoTest, KeepsAtMost32Addresses) {
    const std::string result = run_in_private_network([] {
        std::string setup = "ip link add a0 type veth peer name a1 && ip link set a0 up && ip link set a1 up";
        for (int i = 1; i <= 40; ++i)
            setup += " && ip addr add 10.0." + std::to_string(i) + ".1/24 dev a0";
        if (std::system(setup.c_str()) != 0)
            return std::string("cannot set up interfaces");
        const auto addresses = PosixHostInfo().ipv4_addresses();
        return std::to_string(addresses.size()) + " " + addresses.front() + " " + addresses.back();
    });
    EXPECT_EQ(result, "32 10.0.1.1 10.0.32.1");
}

TEST(PosixHostInfoNameTest, GivesTheHostName) {
    char expected[256] = {};
    ASSERT_EQ(::gethostname(expected, sizeof expected - 1), 0);
    EXPECT_EQ(PosixHostInfo().host_name(), expected);
    EXPECT_FALSE(PosixHostInfo().host_name().empty());
}

}  // namespace
}  // namespace fw
