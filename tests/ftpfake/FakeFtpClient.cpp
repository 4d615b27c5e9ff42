#include "FakeFtpClient.h"

#include "platform/files/File.h"
#include "platform/runtime/EventLoop.h"
#include "platform/runtime/Exception.h"

namespace fw::test {
namespace {

constexpr const char* kGone = "FTP exchange abandoned: the connection's owner has gone";

bool positive(const std::string& reply) { return !reply.empty() && reply[0] == '2'; }

}  // namespace

template <class Handler, class... Args>
bool FakeFtpClient::emit(const Handler& handler, Args&&... args) {
    const std::weak_ptr<int> token = alive_;
    // A copy: the handler may destroy this client, and with it the member.
    if (auto h = handler) h(args...);
    return !token.expired();
}

bool FakeFtpClient::status(const std::string& line) { return emit(on_status, line); }

void FakeFtpClient::fail(const std::string& text) { throw EFtpFailure(text); }

FakeFtpClient::Waited FakeFtpClient::wait(std::uint32_t ms) {
    const std::weak_ptr<int> token = alive_;
    EventLoop& loop = loop_;
    bool due = false;
    const EventLoop::Id timer = loop.start_timer(ms == 0 ? 1 : ms, [&due] { due = true; });
    loop.run_until([&] { return token.expired() || due || (abandon_wait && abandon_wait()); });
    loop.stop_timer(timer);
    if (token.expired()) return Waited::Gone;
    return due ? Waited::Ok : Waited::Abandoned;
}

void FakeFtpClient::Connect() {
    if (connected_) Disconnect();
    const std::string where = host + " port " + std::to_string(port);
    const Waited waited = wait(server_.login_ms);
    if (waited == Waited::Gone) fail(kGone);
    if (waited == Waited::Abandoned) fail("FTP login to " + where + " abandoned");
    if (host != server_.address || port != 21) {
        if (!emit(on_error, 111, std::string("Connection refused"))) fail(kGone);
        if (!emit(on_connection_failed)) fail(kGone);
        fail("FTP login to " + where + " failed: Couldn't connect to server (Connection refused)");
    }
    if (!status("220 Router FTP server ready.")) fail(kGone);
    server_.transcript.push_back("USER " + user_id);
    if (!status("331 Password required for " + user_id + ".")) fail(kGone);
    server_.transcript.push_back("PASS ******");
    const auto user = server_.users.find(user_id);
    const bool accepted = server_.login_refusal.empty() && user != server_.users.end() && user->second == password;
    if (!accepted) {
        const std::string reply = server_.login_refusal.empty() ? "530 Login incorrect." : server_.login_refusal;
        if (!status(reply)) fail(kGone);
        fail(reply);
    }
    if (!status("230 User logged in.")) fail(kGone);
    ++server_.logins;
    connected_ = true;
    if (!emit(on_connect)) fail(kGone);
}

void FakeFtpClient::Upload(const std::string& local_path, const std::string& remote_name) {
    auto fail_command = [&](const std::string& text) {
        if (!emit(on_failure, FtpCommand::Upload)) fail(kGone);
        fail(text);
    };
    if (!connected_) fail_command("FTP upload of " + remote_name + " failed: not connected");
    File source = File::open_read(local_path);
    if (!source.is_open()) fail_command("FTP upload failed: cannot open " + local_path + " (" + source.error() + ")");
    total_ = source.size();
    sent_ = 0;
    const std::string where = host + " port " + std::to_string(port);

    server_.transcript.push_back("TYPE I");
    server_.transcript.push_back("PORT");
    server_.transcript.push_back("STOR " + remote_name);
    if (!emit(on_transaction_start)) fail(kGone);
    if (!status("200 PORT command successful.")) fail(kGone);
    if (!server_.stor_refusal.empty()) {
        if (!status(server_.stor_refusal)) fail(kGone);
        if (!emit(on_transaction_stop)) fail(kGone);
        fail_command(server_.stor_refusal);
    }
    if (!status("150 Opening BINARY mode data connection for " + remote_name + ".")) fail(kGone);

    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> block(server_.block_size == 0 ? 1 : server_.block_size);
    for (;;) {
        const std::int64_t n = source.read(block.data(), std::int64_t(block.size()));
        if (n < 0) {
            connected_ = false;
            fail_command("FTP upload to " + where + " failed: the local file could not be read");
        }
        if (n == 0) break;
        const Waited waited = wait(server_.block_interval_ms);
        if (waited == Waited::Gone) fail(kGone);
        if (waited == Waited::Abandoned) {
            connected_ = false;
            fail("FTP upload to " + where + " abandoned");
        }
        data.insert(data.end(), block.begin(), block.begin() + n);
        sent_ += n;
        if (!emit(on_packet_sent)) fail(kGone);
        if (server_.drop_after >= 0 && sent_ >= server_.drop_after) {
            connected_ = false;
            if (!emit(on_transaction_stop)) fail(kGone);
            if (!emit(on_error, 104, std::string("Connection reset by peer"))) fail(kGone);
            fail_command("FTP upload to " + where + " failed: Failed sending data to the peer (Connection reset by peer)");
        }
    }

    const std::string reply = server_.final_reply(remote_name);
    if (positive(reply)) {
        server_.files[remote_name] = std::move(data);
        server_.stored.push_back(remote_name);
    }
    if (!status(reply)) fail(kGone);
    if (!emit(on_transaction_stop)) fail(kGone);
    if (positive(reply)) {
        if (!emit(on_success)) fail(kGone);
        return;
    }
    // The device refused the image it received: reported through on_status only.
    if (reply.rfind("429", 0) == 0) return;
    fail_command(reply);
}

void FakeFtpClient::Disconnect() {
    if (!connected_) return;
    server_.transcript.push_back("QUIT");
    connected_ = false;
    emit(on_disconnect);
}

}  // namespace fw::test
