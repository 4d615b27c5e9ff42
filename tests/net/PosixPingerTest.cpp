#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "PrivateNetwork.h"
#include "platform/net/posix/PosixPinger.h"
#include "platform/runtime/Exception.h"

namespace fw {
namespace {

using test::run_in_private_network;

// Who pings, and how the private network answers.
struct PingCase {
    const char* name;
    const char* ping_group_range;  // who may open an ICMP datagram socket
    bool as_nobody;                // without CAP_NET_RAW
    bool echo_ignored;             // net.ipv4.icmp_echo_ignore_all
    int replies;
};

class PosixPingerTest : public testing::TestWithParam<PingCase> {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make a private network namespace";
    }
};

TEST_P(PosixPingerTest, CountsTheEchoReplyFromLoopback) {
    const PingCase c = GetParam();
    const std::string result = run_in_private_network([&] {
        if (!test::write_sysctl("/proc/sys/net/ipv4/ping_group_range", c.ping_group_range) ||
            !test::write_sysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", c.echo_ignored ? "1" : "0"))
            return std::string("cannot set sysctls");
        if (c.as_nobody && !test::become_nobody())
            return std::string("cannot become nobody");
        PosixPinger pinger;
        pinger.set_address("127.0.0.1");
        pinger.set_timeout(c.replies ? 5000 : 150);
        pinger.set_size(56);
        return std::to_string(pinger.Ping());
    });
    EXPECT_EQ(result, std::to_string(c.replies));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PosixPingerTest,
    testing::Values(PingCase{"RawSocketWhenDatagramSocketsAreNotAllowed", "1 0", false, false, 1},
                    PingCase{"DatagramSocketWithoutPrivileges", "0 2147483647", true, false, 1},
                    PingCase{"NoReplyWhenEchoIsIgnored", "1 0", false, true, 0},
                    PingCase{"NoReplyOverDatagramSocketWhenEchoIsIgnored", "0 2147483647", true, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PosixPingerMessageTest, SaysOnceWhyNoIcmpSocketCanBeOpened) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a private network namespace";
    const std::string result = run_in_private_network([] {
        if (!test::write_sysctl("/proc/sys/net/ipv4/ping_group_range", "1 0") || !test::become_nobody())
            return std::string("cannot drop privileges");
        char path[] = "/tmp/fw-pinger-stderr-XXXXXX";
        const int capture = ::mkstemp(path);
        ::unlink(path);
        ::dup2(capture, STDERR_FILENO);
        PosixPinger pinger;
        pinger.set_address("127.0.0.1");
        const int first = pinger.Ping();
        PosixPinger another;
        another.set_address("127.0.0.1");
        const int second = another.Ping() + pinger.Ping();
        std::string text(4096, '\0');
        text.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(capture, text.data(), text.size(), 0))));
        return std::to_string(first) + std::to_string(second) + "|" + text;
    });
    ASSERT_EQ(result.substr(0, 3), "00|") << result;
    const std::string message = result.substr(3);
    EXPECT_NE(message.find("net.ipv4.ping_group_range"), std::string::npos) << message;
    EXPECT_NE(message.find("CAP_NET_RAW"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "more than one line: " << message;
}

TEST(PosixPingerAddressTest, RefusesTextThatIsNotAnIpv4Address) {
    PosixPinger pinger;
    pinger.set_address("router.local");
    try {
        pinger.Ping();
        FAIL() << "no ESocketError";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.Message(), "Cannot use \"router.local\" as an IPv4 address");
    }
}

}  // namespace
}  // namespace fw
