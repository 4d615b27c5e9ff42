#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace fw {

// Kinds of FTP command, as a failure event reports them.
enum class FtpCommand : int {
    ChangeDir = 0, MakeDir = 1, Delete = 2, RemoveDir = 3, List = 4, Rename = 5,
    UploadRestore = 6, DownloadRestore = 7, Download = 8, Upload = 9, UploadAppend = 10,
    ReInit = 11, Allocate = 12, NList = 13, DoCommand = 14,
};

// An FTP client with events, in the manner of an FTP component. Connect and
// Upload wait for the network inside a nested event loop, so timers and other
// events go on while they run. A failed command fires on_failure and then
// raises EFtpFailure whose message is the server's reply line.
class FtpClient {
public:
    virtual ~FtpClient() = default;

    // Settings, written before Connect.
    std::string host;
    int port = 21;
    std::string user_id;
    std::string password;
    int report_level = 8;
    int vendor = 2411;
    bool passive = false;
    int timeout_ms = 1000;

    // Asked while Connect and Upload wait: when it answers true (the window that
    // owns the client is going away) the wait ends at once with a failure.
    std::function<bool()> abandon_wait;

    virtual void Connect() = 0;
    // Stores the local file under the remote name with one STOR, over the open connection.
    virtual void Upload(const std::string& local_path, const std::string& remote_name) = 0;
    // Closes the connection; does nothing when none is open.
    virtual void Disconnect() = 0;
    virtual bool connected() const = 0;
    // Bytes of the current upload sent so far.
    virtual std::int64_t bytes_sent() const = 0;
    // Size of the file of the current upload, recorded when it starts.
    virtual std::int64_t bytes_total() const = 0;

    std::function<void()> on_connect;
    std::function<void()> on_disconnect;
    std::function<void(int number, const std::string& text)> on_error;
    std::function<void(FtpCommand kind)> on_failure;
    std::function<void()> on_packet_sent;
    std::function<void()> on_success;
    std::function<void()> on_transaction_start;
    std::function<void()> on_transaction_stop;
    std::function<void()> on_authentication_failed;
    std::function<void(const std::string& text)> on_status;
    std::function<void()> on_connection_failed;
    std::function<void()> on_invalid_host;
};

}  // namespace fw
