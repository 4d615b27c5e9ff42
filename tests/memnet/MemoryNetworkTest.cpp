#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "memnet/MemoryNetwork.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "routersim/TftpPacket.h"

namespace memnet {
namespace {

using routersim::Bytes;
using routersim::TftpOpcode;

const Bytes QD_QUERY{'Q', 'D', 0, 0};
const Bytes QQ_QUERY{'Q', 'Q', 0};
const Bytes VN_REQUEST = routersim::tftp_request(TftpOpcode::ReadRequest, "VN");

struct Reply {
    std::string address;
    int port = 0;
    Bytes bytes;
};

class MemoryNetworkTest : public testing::Test {
protected:
    // Sends one datagram on a fresh probe socket, lets the latency pass and reads every reply.
    std::vector<Reply> probe(const std::string& address, int port, const Bytes& query, std::uint32_t wait_ms = 1) {
        auto socket = net_.make_datagram_socket();
        socket->set_proto("udp");
        socket->set_addr(address);
        socket->set_port(std::to_string(port));
        socket->Connect();
        socket->Send(query.data(), query.size());
        clock_.advance(wait_ms);
        std::vector<Reply> replies;
        Bytes buffer(516);
        fw::SocketAddress from;
        for (int n; (n = socket->ReceiveFrom(buffer.data(), buffer.size(), from)) > 0;)
            replies.push_back({from.address, from.port, Bytes(buffer.begin(), buffer.begin() + n)});
        socket->Close();
        return replies;
    }

    fw::VirtualClock clock_;
    fw::PollEventLoop loop_{clock_};
    MemoryNetwork net_{loop_, clock_};
};

TEST_F(MemoryNetworkTest, QdBroadcastReachesEveryNormalRouter) {
    net_.add_normal_router("192.168.0.1", {.module = "WX2000"});
    net_.add_normal_router("192.168.2.1", {.module = "WX3000"});
    net_.add_recovery_loader("192.168.1.5");
    const auto replies = probe("255.255.255.255", 9, QD_QUERY);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].address, "192.168.0.1");
    EXPECT_EQ(replies[0].port, 9);
    EXPECT_EQ(replies[0].bytes.size(), 68u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&replies[1].bytes[44])), "WX3000");
}

TEST_F(MemoryNetworkTest, DirectedQueryReachesOnlyTheDevicesAtThatAddress) {
    net_.add_normal_router("192.168.0.1");
    net_.add_normal_router("192.168.2.1");
    net_.add_normal_router("192.168.2.1");
    EXPECT_EQ(probe("192.168.0.1", 9, QQ_QUERY).size(), 1u);
    EXPECT_EQ(probe("192.168.2.1", 9, QQ_QUERY).size(), 2u);
    EXPECT_TRUE(probe("192.168.123.254", 9, QQ_QUERY).empty());
}

TEST_F(MemoryNetworkTest, VnRequestIsAnsweredByTheLoaderFromPort69) {
    net_.add_recovery_loader("192.168.1.5", {.text = "$Plumet Boot Loader V1.0"});
    net_.add_normal_router("192.168.0.1");
    const auto replies = probe("255.255.255.255", 69, VN_REQUEST);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].address, "192.168.1.5");
    EXPECT_EQ(replies[0].port, 69);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&replies[0].bytes[4])), "$Plumet Boot Loader V1.0");
}

TEST_F(MemoryNetworkTest, RepliesArriveOnlyOnceTheLatencyHasPassed) {
    net_.add_normal_router("192.168.0.1");
    net_.set_latency_ms(5);
    EXPECT_TRUE(probe("255.255.255.255", 9, QD_QUERY, 4).empty());
    EXPECT_EQ(probe("255.255.255.255", 9, QD_QUERY, 5).size(), 1u);
}

TEST_F(MemoryNetworkTest, DatagramsRecordTheirSourceAddressAndPorts) {
    net_.host().set_addresses({"10.0.0.2", "192.168.1.100"});
    net_.add_recovery_loader("192.168.1.5");
    probe("192.168.1.5", 69, VN_REQUEST);
    ASSERT_EQ(net_.traffic().size(), 2u);
    EXPECT_EQ(net_.traffic()[0].from_address, "192.168.1.100");
    EXPECT_EQ(net_.traffic()[0].to_port, 69);
    EXPECT_EQ(net_.traffic()[0].bytes, VN_REQUEST);
    EXPECT_EQ(net_.traffic()[1].from_address, "192.168.1.5");
    EXPECT_EQ(net_.traffic()[1].to_port, net_.traffic()[0].from_port);
}

TEST_F(MemoryNetworkTest, PingSleepsTheRoundTripOnAReplyAndTheTimeOutWithout) {
    net_.add_normal_router("192.168.0.1");
    net_.add_normal_router("192.168.0.2", {.answers_ping = false});
    auto pinger = net_.make_pinger();
    pinger->set_timeout(150);
    struct Case {
        const char* address;
        int replies;
        std::uint64_t elapsed;
    };
    for (const Case c : {Case{"192.168.0.1", 1, 1}, Case{"192.168.0.2", 0, 150}, Case{"192.168.0.9", 0, 150}}) {
        pinger->set_address(c.address);
        const auto start = clock_.elapsed_ms();
        EXPECT_EQ(pinger->Ping(), c.replies) << c.address;
        EXPECT_EQ(clock_.elapsed_ms() - start, c.elapsed) << c.address;
    }
    EXPECT_EQ(net_.pings(), (std::vector<std::string>{"192.168.0.1", "192.168.0.2", "192.168.0.9"}));
    pinger->set_address("router");
    EXPECT_THROW(pinger->Ping(), fw::ESocketError);
}

TEST_F(MemoryNetworkTest, SocketTextsAreCheckedLikeThePosixSocket) {
    auto socket = net_.make_datagram_socket();
    socket->set_proto("udp");
    socket->set_addr("abc");
    socket->set_port("9");
    try {
        socket->Connect();
        FAIL() << "no ESocketError";
    } catch (const fw::ESocketError& error) {
        EXPECT_EQ(error.Message(), "Cannot use \"abc\" as an IPv4 address");
    }
    EXPECT_THROW(socket->Send("QQ", 3), fw::ESocketError);
}

// Writes a file the way the recovery transfer does: every packet to port 69,
// the next block when the previous one is acknowledged.
class TftpWriter {
public:
    TftpWriter(fw::EventDatagramEndpoint& endpoint, const std::string& address, Bytes file)
        : endpoint_(endpoint), file_(std::move(file)) {
        endpoint_.set_remote_host(address);
        endpoint_.set_remote_port(69);
        endpoint_.on_data_send = [this] { events.push_back("sent"); };
        endpoint_.on_data_received = [this](int length, const std::string&, int) { on_received(length); };
    }

    void start(const std::string& name) {
        const Bytes request = routersim::tftp_request(TftpOpcode::WriteRequest, name);
        endpoint_.SendBuffer(request.data(), request.size());
        events.push_back("returned");
    }

    bool done = false;
    std::vector<std::string> events;

private:
    void on_received(int length) {
        Bytes packet(4);
        packet.resize(endpoint_.ReadBuffer(packet.data(), packet.size()));
        events.push_back("received " + std::to_string(length));
        if (routersim::tftp_opcode(packet) != 4 || routersim::tftp_block(packet) != next_ - 1)
            return;
        if (next_ > file_.size() / 512 + 1) {
            done = true;
            return;
        }
        const std::size_t start = (next_ - 1) * 512;
        const Bytes data(file_.begin() + static_cast<std::ptrdiff_t>(start),
                         file_.begin() + static_cast<std::ptrdiff_t>(std::min(file_.size(), start + 512)));
        const Bytes block = routersim::tftp_data(static_cast<std::uint16_t>(next_++), data);
        endpoint_.SendBuffer(block.data(), block.size());
    }

    fw::EventDatagramEndpoint& endpoint_;
    Bytes file_;
    std::size_t next_ = 1;
};

TEST_F(MemoryNetworkTest, EventEndpointCarriesATftpWriteThroughTheLoop) {
    auto& loader = net_.add_recovery_loader("192.168.1.5", {.ack_port = 3000});
    auto endpoint = net_.make_event_datagram_endpoint();
    Bytes file(1000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i % 251);
    TftpWriter writer(*endpoint, "192.168.1.5", file);
    writer.start("fw.bin.tmp");
    // The answer comes through the loop, never inside SendBuffer.
    EXPECT_EQ(writer.events, (std::vector<std::string>{"sent", "returned"}));
    ASSERT_TRUE(loop_.run_until([&] { return writer.done; }));

    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].name, "fw.bin.tmp");
    EXPECT_EQ(loader.files()[0].bytes, file);
    std::vector<std::size_t> sizes;
    for (const auto& record : net_.traffic())
        if (record.to_address == "192.168.1.5") {
            sizes.push_back(record.bytes.size());
            EXPECT_EQ(record.to_port, 69);
        }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{19, 516, 492}));
}

TEST_F(MemoryNetworkTest, EventEndpointRefusesALocalPortInUse) {
    auto first = net_.make_event_datagram_endpoint();
    auto second = net_.make_event_datagram_endpoint();
    first->set_local_port(5000);
    second->set_local_port(5000);
    first->set_remote_host("192.168.1.5");
    second->set_remote_host("192.168.1.5");
    first->set_remote_port(69);
    second->set_remote_port(69);
    first->SendBuffer("x", 1);
    EXPECT_THROW(second->SendBuffer("x", 1), fw::ESocketError);
}

TEST_F(MemoryNetworkTest, AnswersToAClosedEndpointAreDropped) {
    net_.add_recovery_loader("192.168.1.5");
    auto endpoint = net_.make_event_datagram_endpoint();
    int received = 0;
    endpoint->on_data_received = [&](int, const std::string&, int) { ++received; };
    endpoint->set_remote_host("192.168.1.5");
    endpoint->set_remote_port(69);
    endpoint->SendBuffer(VN_REQUEST.data(), VN_REQUEST.size());
    endpoint.reset();
    loop_.run_for(10);
    EXPECT_EQ(received, 0);
}

TEST_F(MemoryNetworkTest, RebootRequestBringsTheLoaderBackAsANormalRouter) {
    auto& loader = net_.add_recovery_loader(
        "192.168.1.5", {.reboot_delay_ms = 9000, .after_reboot = routersim::AfterReboot::NormalRouter,
                        .normal = {.module = "WX2000"}});
    const Bytes reboot = routersim::tftp_request(TftpOpcode::ReadRequest, "R!");
    probe("192.168.1.5", 69, reboot);
    EXPECT_EQ(loader.reboot_requests(), 1);
    EXPECT_TRUE(probe("255.255.255.255", 9, QD_QUERY).empty());
    clock_.advance(9000);
    const auto replies = probe("255.255.255.255", 9, QD_QUERY);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].address, "192.168.1.5");
}

// Answers anything on its port with a datagram of no bytes at all.
class EmptyReplyDevice final : public routersim::Device {
public:
    explicit EmptyReplyDevice(int port) : port_(port) {}
    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t) override {
        return {{Bytes{}, datagram.from_address, datagram.from_port, port_}};
    }
    bool answers_ping(std::uint32_t) const override { return true; }
    std::vector<int> ports() const override { return {port_}; }
    std::string kind() const override { return "empty"; }

private:
    int port_;
};

// Found by fuzzing: copying an empty datagram passed a null pointer to memcpy.
TEST_F(MemoryNetworkTest, EmptyDatagramReadsAsNoBytesOnAProbeSocket) {
    net_.add_device("192.168.1.5", std::make_unique<EmptyReplyDevice>(9));
    auto socket = net_.make_datagram_socket();
    socket->set_proto("udp");
    socket->set_addr("192.168.1.5");
    socket->set_port("9");
    socket->Connect();
    socket->Send(QQ_QUERY.data(), QQ_QUERY.size());
    clock_.advance(1);
    Bytes buffer(32, 0xAA);
    fw::SocketAddress from;
    EXPECT_EQ(socket->ReceiveFrom(buffer.data(), buffer.size(), from), 0);
    EXPECT_EQ(from.address, "192.168.1.5");
    EXPECT_EQ(buffer, Bytes(32, 0xAA));
}

TEST_F(MemoryNetworkTest, EmptyDatagramReadsAsNoBytesOnAnEventEndpoint) {
    net_.add_device("192.168.1.5", std::make_unique<EmptyReplyDevice>(69));
    auto endpoint = net_.make_event_datagram_endpoint();
    std::vector<int> lengths;
    std::vector<std::size_t> read;
    endpoint->on_data_received = [&](int length, const std::string&, int) {
        lengths.push_back(length);
        std::uint8_t buffer[4] = {};
        read.push_back(endpoint->ReadBuffer(buffer, sizeof buffer));
    };
    endpoint->set_remote_host("192.168.1.5");
    endpoint->set_remote_port(69);
    endpoint->SendBuffer(VN_REQUEST.data(), VN_REQUEST.size());
    loop_.run_for(10);
    EXPECT_EQ(lengths, std::vector<int>{0});
    EXPECT_EQ(read, std::vector<std::size_t>{0});
}

TEST_F(MemoryNetworkTest, HostInfoAndFtpClientComeFromTheTest) {
    net_.host().set_host_name("lab-pc");
    net_.host().set_addresses({"10.0.0.2", "192.168.0.100"});
    EXPECT_EQ(net_.host_info().host_name(), "lab-pc");
    EXPECT_EQ(net_.host_info().ipv4_addresses(), (std::vector<std::string>{"10.0.0.2", "192.168.0.100"}));
    EXPECT_THROW(net_.make_ftp_client(), fw::Exception);
    int made = 0;
    net_.set_ftp_client_maker([&] {
        ++made;
        return std::unique_ptr<fw::FtpClient>();
    });
    net_.make_ftp_client();
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace memnet
