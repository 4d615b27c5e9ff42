#pragma once

#include <cstdint>
#include <memory>

#include "platform/net/FtpClient.h"

namespace fw {

class EventLoop;

// The FTP client on libcurl's multi interface, driven from the tool's event
// loop: curl's sockets are watched by the loop and curl's timer is a loop
// timer, so Connect and Upload wait in a nested loop where timers and other
// events go on. One control connection is kept in the multi handle from
// Connect to Disconnect; each Upload is one STOR of the remote name exactly as
// given, over an active data connection (PORT).
//
// Reports raised inside curl's callbacks (reply lines, blocks sent) are queued
// and delivered once curl has returned, so a handler may open a modal box.
//
// Failure texts: the server's reply line when a negative reply (4xx or 5xx)
// ended the exchange, e.g. "530 Login incorrect."; otherwise a plain sentence
// that never begins with a reply code, e.g. "FTP login to 10.0.0.1 port 21
// failed: Couldn't connect to server (Connection refused)" or "FTP upload to
// 10.0.0.1 port 21 failed: Failed sending data to the peer (Broken pipe)".
//
// Of the settings, host, port, user_id and password are used; data
// connections are always active, whatever passive says; report_level and
// vendor (the listing format) change nothing, as every server reply is
// reported and nothing is listed; timeout_ms gives way to the time-outs below.
//
// The password goes to curl only as a login option. Commands sent are never
// reported; reply lines and failure texts have any copy of the password
// blanked out after their reply code.
class CurlFtpClient final : public FtpClient {
public:
    // Time to open the control connection, and to wait for the device to
    // connect back for an active data connection.
    static constexpr long kConnectTimeoutMs = 5000;
    // Time the server may take to answer a command, and to give its final
    // reply after the data (a device checks the image it received first).
    // The component's TimeOut of 1000 ms is too short for that check. libcurl
    // reads that final reply in a wait of its own, so a device that keeps
    // silent after the data holds the loop for up to this long.
    static constexpr long kResponseTimeoutMs = 10000;

    explicit CurlFtpClient(EventLoop& loop);
    ~CurlFtpClient() override;
    CurlFtpClient(const CurlFtpClient&) = delete;
    CurlFtpClient& operator=(const CurlFtpClient&) = delete;

    void Connect() override;
    void Upload(const std::string& local_path, const std::string& remote_name) override;
    void Disconnect() override;
    bool connected() const override;
    std::int64_t bytes_sent() const override;
    std::int64_t bytes_total() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    // Expires with the client, so code unwinding out of a nested wait can tell it has gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The real FTP client of the tool.
std::unique_ptr<FtpClient> make_curl_ftp_client(EventLoop& loop);

}  // namespace fw
