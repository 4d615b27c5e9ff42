// The libcurl FTP client against real pyftpdlib peers over loopback.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FtpPeer.h"
#include "platform/net/curl/CurlFtpClient.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/PollEventLoop.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::FtpPeer;
using test::FtpPeerBehaviour;
using test::FtpPeerOptions;

std::vector<unsigned char> random_bytes(std::size_t n, unsigned seed = 7) {
    std::mt19937 gen(seed);
    std::vector<unsigned char> out(n);
    for (auto& b : out) b = static_cast<unsigned char>(gen());
    return out;
}

bool begins_with_code(const std::string& text) {
    return text.size() >= 3 && std::isdigit(static_cast<unsigned char>(text[0])) &&
           std::isdigit(static_cast<unsigned char>(text[1])) && std::isdigit(static_cast<unsigned char>(text[2]));
}

// A port on loopback where nothing listens.
int closed_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

struct CurlFtpClientTest : ::testing::Test {
    void SetUp() override {
        std::string why;
        if (!FtpPeer::available(&why)) GTEST_SKIP() << why;
    }

    // Starts a peer and points a fresh client at it.
    void start(FtpPeerBehaviour behaviour = FtpPeerBehaviour::Stock, std::int64_t drop_after = 65536) {
        FtpPeerOptions o;
        o.behaviour = behaviour;
        o.password = kPassword;
        o.drop_after = drop_after;
        peer = std::make_unique<FtpPeer>(o);
        client = make_curl_ftp_client(loop);
        client->host = "127.0.0.1";
        client->port = peer->port();
        client->user_id = "root";
        client->password = kPassword;
        client->on_connect = [this] { events.push_back("connect"); };
        client->on_disconnect = [this] { events.push_back("disconnect"); };
        client->on_status = [this](const std::string& t) { events.push_back("status " + t); statuses.push_back(t); };
        client->on_packet_sent = [this] { ++packets; if (last_event() != "packet") events.push_back("packet"); };
        client->on_transaction_start = [this] { events.push_back("start"); };
        client->on_transaction_stop = [this] { events.push_back("stop"); };
        client->on_success = [this] { events.push_back("success"); };
        client->on_failure = [this](FtpCommand k) { events.push_back("failure " + std::to_string(int(k))); };
        client->on_error = [this](int n, const std::string& t) { events.push_back("error " + std::to_string(n) + " " + t); };
    }

    std::string last_event() const { return events.empty() ? "" : events.back(); }

    bool saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    static constexpr const char* kPassword = "Pw9!x7q";

    PollEventLoop loop;  // the real clock
    test::TempDir dir;
    std::unique_ptr<FtpPeer> peer;
    std::unique_ptr<FtpClient> client;
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    int packets = 0;
};

TEST_F(CurlFtpClientTest, ConnectLogsInAndKeepsTheConnection) {
    start();
    client->Connect();
    EXPECT_TRUE(client->connected());
    EXPECT_TRUE(saw("status 230 Login successful.")) << ::testing::PrintToString(events);
    EXPECT_EQ(last_event(), "connect");
    client->Disconnect();
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(last_event(), "disconnect");
    const auto commands = peer->commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "USER root");
    EXPECT_EQ(commands.back(), "QUIT");
    client->Disconnect();  // nothing open: nothing happens
    EXPECT_EQ(std::count(events.begin(), events.end(), "disconnect"), 1);
}

struct NameCase {
    const char* label;
    const char* remote;
};

class RemoteNameTest : public CurlFtpClientTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(RemoteNameTest, StorCarriesTheNameExactly) {
    start();
    const auto bytes = random_bytes(300000);
    const std::string local = dir.write("image.bin", bytes);
    client->Connect();
    client->Upload(local, GetParam().remote);
    const auto got = peer->wait_received(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].stor, GetParam().remote);
    const auto commands = peer->commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "STOR " + std::string(GetParam().remote)), commands.end());
    // Active data connections: PORT, never PASV or EPRT.
    EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](const std::string& c) { return c.rfind("PORT ", 0) == 0; }));
    EXPECT_FALSE(std::any_of(commands.begin(), commands.end(), [](const std::string& c) {
        return c.rfind("PASV", 0) == 0 || c.rfind("EPSV", 0) == 0 || c.rfind("EPRT", 0) == 0 || c.rfind("CWD", 0) == 0;
    }));
    EXPECT_EQ(test::read_file(got[0].path), bytes);
    EXPECT_EQ(client->bytes_sent(), std::int64_t(bytes.size()));
    EXPECT_EQ(client->bytes_total(), std::int64_t(bytes.size()));
    EXPECT_TRUE(client->connected());
}

INSTANTIATE_TEST_SUITE_P(
    Names, RemoteNameTest,
    ::testing::Values(NameCase{"AbsoluteEntryPath", "/tmp/fwupgrade-1/WX2000.bin"},
                      NameCase{"BaseName", "WX2000.bin"},
                      NameCase{"BlanksAndPercent", "/tmp/my files/100% new.bin"},
                      NameCase{"DoubleSlash", "/tmp//a.bin"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CurlFtpClientTest, UploadReportsStartPacketsReplyAndSuccessInOrder) {
    start();
    const std::string local = dir.write("image.bin", random_bytes(1 << 20));
    client->Connect();
    events.clear();
    client->Upload(local, "/tmp/a.bin");
    ASSERT_GE(events.size(), 4u) << ::testing::PrintToString(events);
    EXPECT_EQ(events.front(), "start");
    const auto first_packet = std::find(events.begin(), events.end(), "packet");
    const auto done = std::find(events.begin(), events.end(), "status 226 Transfer complete.");
    ASSERT_NE(first_packet, events.end());
    ASSERT_NE(done, events.end());
    EXPECT_LT(first_packet, done);
    EXPECT_EQ(events[events.size() - 2], "stop");
    EXPECT_EQ(events.back(), "success");
    EXPECT_GE(packets, 2);  // a megabyte goes in several blocks
}

TEST_F(CurlFtpClientTest, SeveralUploadsShareOneLogin) {
    start();
    const std::string a = dir.write("a.bin", random_bytes(70000, 1));
    const std::string b = dir.write("b.bin", random_bytes(90000, 2));
    client->Connect();
    client->Upload(a, "/x/a.bin");
    client->Upload(b, "/x/b.bin");
    client->Disconnect();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "230 Login successful."), 1);
    const auto got = peer->wait_received(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(test::read_file(got[0].path), test::read_file(a));
    EXPECT_EQ(test::read_file(got[1].path), test::read_file(b));
}

TEST_F(CurlFtpClientTest, TimersRunWhileAnUploadWaits) {
    start();
    const std::string local = dir.write("big.bin", random_bytes(16 << 20));
    client->Connect();
    int ticks_during_upload = 0;
    bool uploading = false;
    const auto id = loop.start_timer(1, [&] { if (uploading) ++ticks_during_upload; });
    uploading = true;
    client->Upload(local, "big.bin");
    uploading = false;
    loop.stop_timer(id);
    EXPECT_GT(ticks_during_upload, 0);
}

struct RefusalCase {
    const char* label;
    FtpPeerBehaviour behaviour;
    bool at_login;
    const char* text;  // the failure text; empty: any text without a reply code
    bool still_connected;
};

class RefusalTest : public CurlFtpClientTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RaisesWithTheReplyLine) {
    const RefusalCase& c = GetParam();
    start(c.behaviour);
    const std::string local = dir.write("image.bin", random_bytes(4 << 20));
    std::string message;
    try {
        client->Connect();
        ASSERT_FALSE(c.at_login) << "the login should have been refused";
        events.clear();
        client->Upload(local, "/tmp/image.bin");
        ADD_FAILURE() << "the upload should have failed";
    } catch (const EFtpFailure& e) {
        message = e.what();
    }
    if (*c.text) EXPECT_EQ(message, c.text);
    else EXPECT_FALSE(begins_with_code(message)) << message;
    EXPECT_EQ(client->connected(), c.still_connected);
    EXPECT_EQ(saw("failure 9"), !c.at_login) << ::testing::PrintToString(events);
    EXPECT_FALSE(saw("connect"));
}

INSTANTIATE_TEST_SUITE_P(
    Peers, RefusalTest,
    ::testing::Values(RefusalCase{"LoginRefused", FtpPeerBehaviour::RefuseLogin, true, "530 Login incorrect.", false},
                      RefusalCase{"StorRefused", FtpPeerBehaviour::RefuseStor, false, "550 Permission denied.", true},
                      RefusalCase{"DroppedMidUpload", FtpPeerBehaviour::DropUpload, false, "", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CurlFtpClientTest, WrongPasswordOfTheStockServerGives530) {
    start();
    client->password = "wrong";
    try {
        client->Connect();
        FAIL() << "the login should have been refused";
    } catch (const EFtpFailure& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, 3), "530");
    }
    EXPECT_FALSE(client->connected());
}

TEST_F(CurlFtpClientTest, RejectionAfterTheDataReachesTheStatusOnly) {
    start(FtpPeerBehaviour::RejectAfterData);
    const std::string local = dir.write("image.bin", random_bytes(100000));
    client->Connect();
    events.clear();
    EXPECT_NO_THROW(client->Upload(local, "/tmp/image.bin"));
    EXPECT_TRUE(saw("status 429 Firmware check failed.")) << ::testing::PrintToString(events);
    EXPECT_FALSE(saw("failure 9"));
    EXPECT_FALSE(saw("success"));
    EXPECT_TRUE(client->connected());
    EXPECT_EQ(client->bytes_sent(), 100000);
}

TEST_F(CurlFtpClientTest, RefusedConnectionGivesATextWithoutReplyCode) {
    start();
    client->port = closed_port();
    try {
        client->Connect();
        FAIL() << "nothing listens there";
    } catch (const EFtpFailure& e) {
        const std::string text = e.what();
        EXPECT_FALSE(begins_with_code(text)) << text;
        EXPECT_EQ(text.rfind("FTP login to 127.0.0.1 port " + std::to_string(client->port) + " failed: ", 0), 0u)
            << text;
        EXPECT_NE(text.find("Connection refused"), std::string::npos) << text;
    }
    EXPECT_FALSE(client->connected());
    EXPECT_TRUE(saw("error 111 Connection refused")) << ::testing::PrintToString(events);
}

TEST_F(CurlFtpClientTest, HostThatIsNoAddressIsRefusedBeforeAnythingIsSent) {
    start();
    bool invalid = false;
    client->on_invalid_host = [&] { invalid = true; };
    client->host = "127.0.0.1/evil@x";
    EXPECT_THROW(client->Connect(), EFtpFailure);
    EXPECT_TRUE(invalid);
    EXPECT_TRUE(statuses.empty());
}

TEST_F(CurlFtpClientTest, MissingLocalFileFailsTheUpload) {
    start();
    client->Connect();
    events.clear();
    EXPECT_THROW(client->Upload(dir.path() + "/absent.bin", "absent.bin"), EFtpFailure);
    EXPECT_EQ(events, std::vector<std::string>{"failure 9"});
    EXPECT_TRUE(client->connected());
}

TEST_F(CurlFtpClientTest, UploadWithoutConnectionFails) {
    start();
    const std::string local = dir.write("image.bin", random_bytes(10));
    EXPECT_THROW(client->Upload(local, "image.bin"), EFtpFailure);
    EXPECT_TRUE(peer->received().empty());
}

TEST_F(CurlFtpClientTest, AbandonedWaitEndsTheUploadAndTheConnection) {
    start();
    const std::string local = dir.write("big.bin", random_bytes(8 << 20));
    client->Connect();
    bool window_gone = false;
    client->abandon_wait = [&] { return window_gone; };
    client->on_packet_sent = [&] { window_gone = true; };
    try {
        client->Upload(local, "big.bin");
        FAIL() << "the wait should have been abandoned";
    } catch (const EFtpFailure& e) {
        EXPECT_FALSE(begins_with_code(e.what())) << e.what();
    }
    EXPECT_FALSE(client->connected());
    // Closing the data connection is all the server sees: at most a part arrived.
    for (const auto& got : peer->received()) EXPECT_LT(got.size, 8 << 20);
}

TEST_F(CurlFtpClientTest, ClientDestroyedByAHandlerDuringTheUploadUnwindsSafely) {
    start();
    const std::string local = dir.write("big.bin", random_bytes(4 << 20));
    client->Connect();
    // The owner goes away from the loop, as a released window does.
    client->on_packet_sent = [&] { loop.post([&] { client.reset(); }); };
    EXPECT_THROW(client->Upload(local, "big.bin"), EFtpFailure);
    EXPECT_EQ(client, nullptr);
}

TEST_F(CurlFtpClientTest, PasswordIsNeverReportedOrWrittenToStandardError) {
    start();
    const std::string local = dir.write("image.bin", random_bytes(50000));
    std::vector<std::string> failures;
    ::testing::internal::CaptureStderr();
    client->Connect();
    client->Upload(local, "image.bin");
    client->Disconnect();
    client->password = std::string(kPassword) + "x";  // wrong: refused with 530
    try { client->Connect(); } catch (const EFtpFailure& e) { failures.push_back(e.what()); }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find(kPassword), std::string::npos);
    ASSERT_EQ(failures.size(), 1u);
    for (const auto& text : failures) EXPECT_EQ(text.find(kPassword), std::string::npos) << text;
    for (const auto& e : events) {
        EXPECT_EQ(e.find(kPassword), std::string::npos) << e;
        EXPECT_EQ(e.find("PASS"), std::string::npos) << e;
    }
}

TEST_F(CurlFtpClientTest, ServerQuotingThePasswordHasItBlankedOut) {
    start(FtpPeerBehaviour::EchoPassword);
    std::string message;
    try {
        client->Connect();
    } catch (const EFtpFailure& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "530 Password " + std::string(std::strlen(kPassword), '*') + " refused.");
    for (const auto& s : statuses) EXPECT_EQ(s.find(kPassword), std::string::npos) << s;
    EXPECT_FALSE(statuses.empty());
}

}  // namespace
}  // namespace fw
