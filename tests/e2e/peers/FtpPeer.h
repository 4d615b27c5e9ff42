#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fw::test {

// How a peer behaves: the stock server, or one scripted reply changed.
enum class FtpPeerBehaviour { Stock, RejectAfterData, RefuseStor, RefuseLogin, EchoPassword, DropUpload };

struct FtpPeerOptions {
    FtpPeerBehaviour behaviour = FtpPeerBehaviour::Stock;
    std::string host = "127.0.0.1";
    int port = 0;  // 0: any free port
    std::string password = "rootpw";
    std::int64_t drop_after = 65536;  // DropUpload: bytes received before both connections close
    std::string netns;                // run inside this network namespace (ip netns exec)
};

// One file the peer received in full.
struct FtpReceived {
    std::int64_t size = 0;
    std::string stor;  // the STOR argument exactly as it arrived
    std::string path;  // where the peer wrote it
};

// A pyftpdlib server (tests/e2e/peers/ftp_server.py or ftp_scripted_peer.py)
// run under Debian's /usr/bin/python3, with user root and a fresh home folder.
// The process is stopped and its folder removed when the object goes.
class FtpPeer {
public:
    // Whether /usr/bin/python3 can import pyftpdlib; the reason when not.
    static bool available(std::string* why);

    explicit FtpPeer(FtpPeerOptions options = {});
    ~FtpPeer();
    FtpPeer(const FtpPeer&) = delete;
    FtpPeer& operator=(const FtpPeer&) = delete;

    int port() const { return port_; }
    const std::string& host() const { return options_.host; }
    const std::string& home() const { return home_; }
    const std::string& password() const { return options_.password; }
    // The files received so far, in order.
    std::vector<FtpReceived> received() const;
    // Waits up to a few seconds until at least n files have been recorded (the
    // record is written just after the final reply) and returns them.
    std::vector<FtpReceived> wait_received(std::size_t n) const;
    // The commands received so far, in order; the argument of PASS is stars.
    std::vector<std::string> commands() const;
    // The server's own log (its standard error).
    std::string server_log() const;

private:
    void stop();

    FtpPeerOptions options_;
    std::string folder_;
    std::string home_;
    std::string record_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace fw::test
