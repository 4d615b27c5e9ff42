#pragma once

#include <memory>
#include <string>

#include "FakeFtpServer.h"
#include "platform/net/FtpClient.h"

namespace fw {
class EventLoop;
}

namespace fw::test {

// An FTP client that talks to a FakeFtpServer in memory instead of a network.
// It behaves like the real client: Connect and Upload wait on the event loop
// (the data goes in blocks at the server's speed, so timers tick during an
// upload, on a virtual clock too), events come in the same order, refusals
// raise EFtpFailure with the reply line, and a final 429 reaches on_status only.
class FakeFtpClient final : public FtpClient {
public:
    FakeFtpClient(EventLoop& loop, FakeFtpServer& server) : loop_(loop), server_(server) {}

    void Connect() override;
    void Upload(const std::string& local_path, const std::string& remote_name) override;
    void Disconnect() override;
    bool connected() const override { return connected_; }
    std::int64_t bytes_sent() const override { return sent_; }
    std::int64_t bytes_total() const override { return total_; }

private:
    enum class Waited { Ok, Abandoned, Gone };
    // Lets ms pass on the loop's clock while events go on.
    Waited wait(std::uint32_t ms);
    // Runs a handler; false when the client went away meanwhile.
    template <class Handler, class... Args>
    bool emit(const Handler& handler, Args&&... args);
    bool status(const std::string& line);
    [[noreturn]] void fail(const std::string& text);

    EventLoop& loop_;
    FakeFtpServer& server_;
    bool connected_ = false;
    std::int64_t sent_ = 0;
    std::int64_t total_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace fw::test
