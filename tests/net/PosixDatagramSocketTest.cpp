#include <gtest/gtest.h>

#include <sys/socket.h>

#include <string>

#include "UdpPeer.h"
#include "platform/net/posix/PosixDatagramSocket.h"
#include "platform/runtime/Exception.h"

namespace fw {
namespace {

using test::UdpPeer;
using Bytes = std::vector<std::uint8_t>;

class PosixDatagramSocketTest : public testing::Test {
protected:
    void connect_to(const UdpPeer& peer) {
        socket_.set_proto("udp");
        socket_.set_addr("127.0.0.1");
        socket_.set_port(std::to_string(peer.port()));
        socket_.Connect();
    }

    // The port the socket sends from, learnt from the peer.
    int send_probe(UdpPeer& peer) {
        const Bytes query{'Q', 'D', 0, 0};
        EXPECT_EQ(socket_.Send(query.data(), query.size()), 4);
        const auto got = peer.receive();
        EXPECT_TRUE(got);
        EXPECT_EQ(got ? got->bytes : Bytes{}, query);
        return got ? got->from_port : 0;
    }

    PosixDatagramSocket socket_;
};

TEST_F(PosixDatagramSocketTest, TakesRepliesFromAnySenderPort) {
    UdpPeer device;
    UdpPeer other_port;
    connect_to(device);
    const int local_port = send_probe(device);
    device.send_to(local_port, {'A'});
    ASSERT_TRUE(test::wait_readable(socket_.native_handle()));
    other_port.send_to(local_port, {'B', 'B'});

    char buffer[68];
    SocketAddress from;
    ASSERT_EQ(socket_.ReceiveFrom(buffer, sizeof buffer, from), 1);
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(from.address, "127.0.0.1");
    EXPECT_EQ(from.port, device.port());
    ASSERT_TRUE(test::wait_readable(socket_.native_handle()));
    ASSERT_EQ(socket_.ReceiveFrom(buffer, sizeof buffer, from), 2);
    EXPECT_EQ(from.port, other_port.port());
    EXPECT_LE(socket_.ReceiveFrom(buffer, sizeof buffer, from), 0);
}

TEST_F(PosixDatagramSocketTest, ALongDatagramGivesItsFirstBytesAndIsThenGone) {
    UdpPeer device;
    connect_to(device);
    const int local_port = send_probe(device);
    Bytes reply(100);
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i + 1);
    device.send_to(local_port, reply);
    ASSERT_TRUE(test::wait_readable(socket_.native_handle()));

    Bytes buffer(68, 0xee);
    SocketAddress from;
    ASSERT_EQ(socket_.ReceiveFrom(buffer.data(), buffer.size(), from), 68);
    EXPECT_EQ(buffer, Bytes(reply.begin(), reply.begin() + 68));
    EXPECT_LE(socket_.ReceiveFrom(buffer.data(), buffer.size(), from), 0);
}

TEST_F(PosixDatagramSocketTest, NothingQueuedGivesZeroOrBelowWithoutWaiting) {
    UdpPeer device;
    connect_to(device);
    char buffer[32];
    SocketAddress from;
    EXPECT_LE(socket_.ReceiveFrom(buffer, sizeof buffer, from), 0);
}

TEST_F(PosixDatagramSocketTest, BroadcastIsSwitchedOnOnlyForTheLimitedBroadcastAddress) {
    // Connect only binds; nothing is sent here.
    auto broadcast_flag = [this](const std::string& address) {
        socket_.set_addr(address);
        socket_.set_port("9");
        socket_.Connect();
        int on = -1;
        socklen_t length = sizeof on;
        ::getsockopt(socket_.native_handle(), SOL_SOCKET, SO_BROADCAST, &on, &length);
        return on;
    };
    EXPECT_EQ(broadcast_flag("255.255.255.255"), 1);
    EXPECT_EQ(broadcast_flag("127.0.0.1"), 0);
}

TEST_F(PosixDatagramSocketTest, CloseEndsTheSocketAndConnectOpensItAgain) {
    UdpPeer device;
    connect_to(device);
    socket_.Close();
    EXPECT_EQ(socket_.native_handle(), -1);
    char buffer[4];
    SocketAddress from;
    EXPECT_LE(socket_.ReceiveFrom(buffer, sizeof buffer, from), 0);
    EXPECT_THROW(socket_.Send("QQ", 3), ESocketError);
    connect_to(device);
    send_probe(device);
}

TEST_F(PosixDatagramSocketTest, RefusesAProtocolOtherThanUdp) {
    socket_.set_proto("tcp");
    socket_.set_addr("127.0.0.1");
    socket_.set_port("9");
    EXPECT_THROW(socket_.Connect(), ESocketError);
}

struct BadText {
    const char* name;
    const char* address;
    const char* port;
    const char* message;
};

class PosixDatagramSocketBadTextTest : public testing::TestWithParam<BadText> {};

TEST_P(PosixDatagramSocketBadTextTest, RaisesSocketErrorNamingTheText) {
    PosixDatagramSocket socket;
    socket.set_proto("udp");
    socket.set_addr(GetParam().address);
    socket.set_port(GetParam().port);
    try {
        socket.Connect();
        FAIL() << "no ESocketError";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.Message(), GetParam().message);
    }
    EXPECT_EQ(socket.native_handle(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PosixDatagramSocketBadTextTest,
    testing::Values(BadText{"Empty", "", "9", "Cannot use \"\" as an IPv4 address"},
                    BadText{"Word", "abc", "9", "Cannot use \"abc\" as an IPv4 address"},
                    BadText{"HostName", "localhost", "9", "Cannot use \"localhost\" as an IPv4 address"},
                    BadText{"ThreeParts", "192.168.0", "9", "Cannot use \"192.168.0\" as an IPv4 address"},
                    BadText{"PartAbove255", "192.168.0.256", "9", "Cannot use \"192.168.0.256\" as an IPv4 address"},
                    BadText{"LeadingBlank", " 192.168.0.1", "9", "Cannot use \" 192.168.0.1\" as an IPv4 address"},
                    BadText{"EmptyPort", "127.0.0.1", "", "Cannot use \"\" as a UDP port"},
                    BadText{"PortWord", "127.0.0.1", "tftp", "Cannot use \"tftp\" as a UDP port"},
                    BadText{"PortZero", "127.0.0.1", "0", "Cannot use \"0\" as a UDP port"},
                    BadText{"PortTooLarge", "127.0.0.1", "65536", "Cannot use \"65536\" as a UDP port"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
