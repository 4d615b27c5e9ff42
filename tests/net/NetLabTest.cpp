// The POSIX network pieces against routersim routers in a lab network. The
// client side always runs inside the lab's PC namespace.

#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "PrivateNetwork.h"
#include "e2e/lab/LabNetwork.h"
#include "platform/net/posix/PosixDatagramSocket.h"
#include "platform/net/posix/PosixEventDatagramEndpoint.h"
#include "platform/net/posix/PosixPinger.h"
#include "platform/runtime/PollEventLoop.h"
#include "routersim/TftpPacket.h"

namespace fw {
namespace {

using lab::LabNetwork;
using routersim::Bytes;
using routersim::TftpOpcode;

const Bytes QD_QUERY{'Q', 'D', 0, 0};
const Bytes QQ_QUERY{'Q', 'Q', 0};
const Bytes VN_REQUEST = routersim::tftp_request(TftpOpcode::ReadRequest, "VN");
constexpr const char* LOADER_TEXT = "$Plumet Boot Loader V1.0";

lab::LabConfig lab_config() {
    return {.pc_addresses = {"192.168.0.100/24", "192.168.1.100/24", "192.168.2.100/24", "192.168.123.100/24"},
            .routers = {{"normal", "192.168.0.1/24", {"--normal", "module=WX2000,detail=rev-B"}},
                        {"quiet", "192.168.2.1/24", {"--normal", "module=QX1"}, lab::PingReply::Ignored},
                        {"far", "192.168.123.254/24", {"--normal", "module=WX5000"}},
                        {"loader", "192.168.1.254/24",
                         {"--loader", std::string("text=") + LOADER_TEXT +
                                          ",ack-port=6969,reboot-delay=300,after-reboot=normal,module=WX2000"}}}};
}

struct Reply {
    std::string address;
    int port = 0;
    Bytes bytes;
};

// Sends one datagram from a fresh probe socket and collects what comes back
// within half a second.
std::vector<Reply> probe(const std::string& address, int port, const Bytes& query) {
    PosixDatagramSocket socket;
    socket.set_proto("udp");
    socket.set_addr(address);
    socket.set_port(std::to_string(port));
    socket.Connect();
    socket.Send(query.data(), query.size());
    std::vector<Reply> replies;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd watch{socket.native_handle(), POLLIN, 0};
        if (left <= 0 || ::poll(&watch, 1, static_cast<int>(left)) <= 0)
            break;
        Bytes buffer(516);
        SocketAddress from;
        const int n = socket.ReceiveFrom(buffer.data(), buffer.size(), from);
        if (n > 0)
            replies.push_back({from.address, from.port, Bytes(buffer.begin(), buffer.begin() + n)});
    }
    socket.Close();
    return replies;
}

std::string text_at(const Bytes& bytes, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return text;
}

std::string sorted_lines(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

Bytes pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 13 + i / 512) & 0xff);
    return bytes;
}

Bytes read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class NetLabTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        unavailable_ = LabNetwork::unavailable_reason();
        if (!unavailable_.empty())
            return;
        try {
            lab_ = new LabNetwork(lab_config());
        } catch (const std::exception& error) {
            setup_error_ = error.what();
        }
    }
    static void TearDownTestSuite() {
        delete lab_;
        lab_ = nullptr;
    }
    void SetUp() override {
        if (!unavailable_.empty())
            GTEST_SKIP() << unavailable_;
        ASSERT_NE(lab_, nullptr) << setup_error_;
    }

    static LabNetwork* lab_;
    static std::string unavailable_;
    static std::string setup_error_;
};

LabNetwork* NetLabTest::lab_ = nullptr;
std::string NetLabTest::unavailable_;
std::string NetLabTest::setup_error_;

TEST_F(NetLabTest, QdBroadcastIsAnsweredByEveryNormalRouter) {
    const std::string result = lab_->run_in_pc([] {
        std::vector<std::string> lines;
        for (const auto& reply : probe("255.255.255.255", 9, QD_QUERY))
            lines.push_back(reply.address + ":" + std::to_string(reply.port) + " " + std::to_string(reply.bytes.size()) +
                            " " + text_at(reply.bytes, 44) + " " + text_at(reply.bytes, 12));
        return sorted_lines(lines);
    });
    EXPECT_EQ(result,
              "192.168.0.1:9 68 WX2000 rev-B\n"
              "192.168.123.254:9 68 WX5000 \n"
              "192.168.2.1:9 68 QX1 \n");
}

TEST_F(NetLabTest, VnBroadcastIsAnsweredByTheRecoveryLoaderFromPort69) {
    const std::string result = lab_->run_in_pc([] {
        std::vector<std::string> lines;
        for (const auto& reply : probe("255.255.255.255", 69, VN_REQUEST))
            lines.push_back(reply.address + ":" + std::to_string(reply.port) + " " + text_at(reply.bytes, 4));
        return sorted_lines(lines);
    });
    EXPECT_EQ(result, std::string("192.168.1.254:69 ") + LOADER_TEXT + "\n");
}

TEST_F(NetLabTest, DirectedQqReachesEachDefaultAddress) {
    const std::string result = lab_->run_in_pc([] {
        std::string out;
        for (const char* address : {"192.168.123.254", "192.168.2.1", "192.168.0.1", "192.168.1.254"})
            out += std::string(address) + "=" + std::to_string(probe(address, 9, QQ_QUERY).size()) + " ";
        return out;
    });
    EXPECT_EQ(result, "192.168.123.254=1 192.168.2.1=1 192.168.0.1=1 192.168.1.254=0 ");
}

TEST_F(NetLabTest, PingIsAnsweredUnlessTheRouterIgnoresEcho) {
    auto ping_both = [](const std::string& socket_kind) {
        return [socket_kind] {
            const bool datagram = socket_kind == "datagram";
            if (!test::write_sysctl("/proc/sys/net/ipv4/ping_group_range", datagram ? "0 2147483647" : "1 0"))
                return std::string("cannot set ping_group_range");
            if (datagram && !test::become_nobody())
                return std::string("cannot become nobody");
            std::string out;
            for (const char* address : {"192.168.0.1", "192.168.2.1"}) {
                PosixPinger pinger;
                pinger.set_address(address);
                pinger.set_timeout(std::string(address) == "192.168.0.1" ? 5000 : 300);
                out += std::string(address) + "=" + std::to_string(pinger.Ping()) + " ";
            }
            return out;
        };
    };
    EXPECT_EQ(lab_->run_in_pc(ping_both("raw")), "192.168.0.1=1 192.168.2.1=0 ");
    EXPECT_EQ(lab_->run_in_pc(ping_both("datagram")), "192.168.0.1=1 192.168.2.1=0 ");
}

TEST_F(NetLabTest, EventEndpointWritesAFileWithEveryPacketToPort69) {
    const Bytes file = pattern(1300);
    const std::string result = lab_->run_in_pc([&file] {
        PollEventLoop loop;
        PosixEventDatagramEndpoint endpoint(loop);
        endpoint.set_remote_host("192.168.1.254");
        endpoint.set_remote_port(69);
        std::size_t next = 1;
        bool done = false;
        std::string ack_ports;
        endpoint.on_data_received = [&](int, const std::string&, int port) {
            Bytes packet(4);
            packet.resize(endpoint.ReadBuffer(packet.data(), packet.size()));
            if (routersim::tftp_opcode(packet) != 4 || routersim::tftp_block(packet) != next - 1)
                return;
            ack_ports += std::to_string(port) + " ";
            if (next > file.size() / 512 + 1) {
                done = true;
                return;
            }
            const std::size_t start = (next - 1) * 512;
            const Bytes data(file.begin() + static_cast<std::ptrdiff_t>(start),
                             file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), start + 512)));
            const Bytes block = routersim::tftp_data(static_cast<std::uint16_t>(next++), data);
            endpoint.SendBuffer(block.data(), block.size());
        };
        const Bytes request = routersim::tftp_request(TftpOpcode::WriteRequest, "fw.bin.tmp");
        endpoint.SendBuffer(request.data(), request.size());
        bool gave_up = false;
        loop.start_timer(5000, [&] { gave_up = true; });
        loop.run_until([&] { return done || gave_up; });
        return std::string(done ? "done " : "stalled ") + ack_ports;
    });
    EXPECT_EQ(result, "done 6969 6969 6969 6969 ");
    EXPECT_EQ(read_bytes(lab_->store_dir("loader") + "/fw.bin.tmp"), file);
    const std::string log = lab_->router_log("loader");
    EXPECT_NE(log.find("-> 69 DATA 3, 276 data bytes => loader 1 sends ACK 3 from 6969"), std::string::npos) << log;
}

TEST_F(NetLabTest, StandardTftpClientWritesAFile) {
    const Bytes file = pattern(2048);
    char path[] = "/tmp/fwlab-tftp-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, file.data(), file.size()), static_cast<ssize_t>(file.size()));
    ::close(fd);
    const auto put = lab_->exec("pc", {"tftp", "-m", "binary", "192.168.1.254", "-c", "put", path, "standard.bin"});
    ::unlink(path);
    EXPECT_EQ(put.exit_code, 0) << put.output;
    EXPECT_EQ(read_bytes(lab_->store_dir("loader") + "/standard.bin"), file);
}

TEST_F(NetLabTest, RebootRequestBringsTheLoaderBackAsANormalRouter) {
    const std::string result = lab_->run_in_pc([] {
        PosixDatagramSocket socket;
        socket.set_addr("192.168.1.254");
        socket.set_port("69");
        socket.Connect();
        const Bytes reboot = routersim::tftp_request(TftpOpcode::ReadRequest, "R!");
        socket.Send(reboot.data(), reboot.size());
        socket.Close();
        // The loader comes back after 300 ms; a few seconds is only a limit.
        for (int i = 0; i < 20; ++i) {
            if (probe("192.168.1.254", 9, QQ_QUERY).size() == 1)
                return "normal, VN answers: " + std::to_string(probe("192.168.1.254", 69, VN_REQUEST).size());
        }
        return std::string("did not come back");
    });
    EXPECT_EQ(result, "normal, VN answers: 0");
    EXPECT_NE(lab_->router_log("loader").find("loader 1 reboots"), std::string::npos) << lab_->router_log("loader");
}

}  // namespace
}  // namespace fw
