#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UdpPeer.h"
#include "platform/net/posix/PosixEventDatagramEndpoint.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PollEventLoop.h"

namespace fw {
namespace {

using test::UdpPeer;
using Bytes = std::vector<std::uint8_t>;

class PosixEventDatagramEndpointTest : public testing::Test {
protected:
    void aim_at(const UdpPeer& peer) {
        endpoint_.set_remote_host("127.0.0.1");
        endpoint_.set_remote_port(peer.port());
    }

    // Runs the loop until done, giving up after five seconds so a fault cannot hang the suite.
    bool run_until(const std::function<bool()>& done) {
        bool gave_up = false;
        const auto guard = loop_.start_timer(5000, [&] { gave_up = true; });
        loop_.run_until([&] { return done() || gave_up; });
        loop_.stop_timer(guard);
        return done();
    }

    PollEventLoop loop_;
    PosixEventDatagramEndpoint endpoint_{loop_};
};

TEST_F(PosixEventDatagramEndpointTest, RunsTheSendHandlerBeforeSendBufferReturns) {
    UdpPeer device;
    aim_at(device);
    std::vector<std::string> order;
    endpoint_.on_data_send = [&] { order.push_back("sent handler"); };
    endpoint_.SendBuffer("\0\2f\0octet\0", 10);
    order.push_back("returned");
    EXPECT_EQ(order, (std::vector<std::string>{"sent handler", "returned"}));
    const auto got = device.receive();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->bytes.size(), 10u);
    EXPECT_EQ(got->from_port, endpoint_.bound_port());
}

// The same fault the in-memory endpoint had (found there by fuzzing): an empty
// datagram handed memcpy a null pointer.
TEST_F(PosixEventDatagramEndpointTest, EmptyDatagramReadsAsNoBytes) {
    UdpPeer device;
    aim_at(device);
    endpoint_.SendBuffer("ping", 4);
    ASSERT_TRUE(device.receive());
    std::vector<int> lengths;
    std::vector<std::size_t> read;
    endpoint_.on_data_received = [&](int length, const std::string&, int) {
        lengths.push_back(length);
        std::uint8_t buffer[4] = {7, 7, 7, 7};
        read.push_back(endpoint_.ReadBuffer(buffer, sizeof buffer));
        EXPECT_EQ(buffer[0], 7);
    };
    device.send_to(endpoint_.bound_port(), {});
    ASSERT_TRUE(run_until([&] { return !lengths.empty(); }));
    EXPECT_EQ(lengths, std::vector<int>{0});
    EXPECT_EQ(read, std::vector<std::size_t>{0});
}

TEST_F(PosixEventDatagramEndpointTest, DeliversRepliesFromAnyPortThroughTheLoop) {
    UdpPeer device;
    UdpPeer other_port;
    aim_at(device);
    endpoint_.SendBuffer("ping", 4);
    ASSERT_TRUE(device.receive());

    struct Delivery {
        int length;
        std::string address;
        int port;
        Bytes bytes;
    };
    std::vector<Delivery> deliveries;
    endpoint_.on_data_received = [&](int length, const std::string& address, int port) {
        Bytes bytes(8, 0);
        bytes.resize(endpoint_.ReadBuffer(bytes.data(), bytes.size()));
        deliveries.push_back({length, address, port, bytes});
    };
    device.send_to(endpoint_.bound_port(), {0, 4, 0, 0});
    other_port.send_to(endpoint_.bound_port(), {0, 4, 0, 1, 9, 9, 9, 9, 9, 9, 9, 9});

    ASSERT_TRUE(run_until([&] { return deliveries.size() == 2; }));
    EXPECT_EQ(deliveries[0].length, 4);
    EXPECT_EQ(deliveries[0].address, "127.0.0.1");
    EXPECT_EQ(deliveries[0].port, device.port());
    EXPECT_EQ(deliveries[0].bytes, (Bytes{0, 4, 0, 0}));
    // ReadBuffer copies at most the size asked for.
    EXPECT_EQ(deliveries[1].length, 12);
    EXPECT_EQ(deliveries[1].port, other_port.port());
    EXPECT_EQ(deliveries[1].bytes, (Bytes{0, 4, 0, 1, 9, 9, 9, 9}));
    char buffer[4];
    EXPECT_EQ(endpoint_.ReadBuffer(buffer, sizeof buffer), 0u);
}

TEST_F(PosixEventDatagramEndpointTest, OpenListensBeforeAnythingIsSent) {
    endpoint_.Open();
    UdpPeer device;
    bool received = false;
    endpoint_.on_data_received = [&](int, const std::string&, int) { received = true; };
    device.send_to(endpoint_.bound_port(), {1});
    EXPECT_TRUE(run_until([&] { return received; }));
}

TEST_F(PosixEventDatagramEndpointTest, AHandlerMayDestroyTheEndpoint) {
    auto endpoint = std::make_unique<PosixEventDatagramEndpoint>(loop_);
    endpoint->Open();
    UdpPeer device;
    bool received = false;
    endpoint->on_data_received = [&](int, const std::string&, int) {
        received = true;
        endpoint.reset();
    };
    device.send_to(endpoint->bound_port(), {1});
    EXPECT_TRUE(run_until([&] { return received; }));
    EXPECT_FALSE(endpoint);
}

TEST_F(PosixEventDatagramEndpointTest, BindsTheLocalPortAndReportsAPortInUse) {
    UdpPeer device;
    endpoint_.set_local_port(device.port());
    try {
        endpoint_.Open();
        FAIL() << "no ESocketError";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.Message(), "Cannot bind UDP port " + std::to_string(device.port()) + ": Address already in use");
    }
}

TEST_F(PosixEventDatagramEndpointTest, BadRemoteHostRaisesSocketErrorWithoutRunningTheSendHandler) {
    bool handler_ran = false;
    endpoint_.on_data_send = [&] { handler_ran = true; };
    endpoint_.set_remote_port(69);
    for (const std::string host : {"", "router", "192.168.1"}) {
        endpoint_.set_remote_host(host);
        try {
            endpoint_.SendBuffer("x", 1);
            ADD_FAILURE() << "no ESocketError for \"" << host << "\"";
        } catch (const ESocketError& error) {
            EXPECT_EQ(error.Message(), "Cannot use \"" + host + "\" as an IPv4 address");
        }
    }
    EXPECT_FALSE(handler_ran);
}

}  // namespace
}  // namespace fw
