#include "FtpPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fw::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string script_for(FtpPeerBehaviour behaviour) {
    const std::string dir = FW_FTP_PEERS_DIR;
    return dir + (behaviour == FtpPeerBehaviour::Stock ? "/ftp_server.py" : "/ftp_scripted_peer.py");
}

const char* behaviour_name(FtpPeerBehaviour behaviour) {
    switch (behaviour) {
        case FtpPeerBehaviour::RejectAfterData: return "reject-after-data";
        case FtpPeerBehaviour::RefuseStor: return "refuse-stor";
        case FtpPeerBehaviour::RefuseLogin: return "refuse-login";
        case FtpPeerBehaviour::EchoPassword: return "echo-password";
        case FtpPeerBehaviour::DropUpload: return "drop-upload";
        case FtpPeerBehaviour::Stock: break;
    }
    return "";
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

bool FtpPeer::available(std::string* why) {
    if (::access(kPython, X_OK) != 0) {
        if (why) *why = std::string(kPython) + " is not installed";
        return false;
    }
    const std::string command = std::string(kPython) + " -c 'import pyftpdlib' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        if (why) *why = std::string(kPython) + " cannot import pyftpdlib (install python3-pyftpdlib)";
        return false;
    }
    return true;
}

FtpPeer::FtpPeer(FtpPeerOptions options) : options_(std::move(options)) {
    char pattern[] = "/tmp/fwftp-peer-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("cannot make a folder for the FTP peer");
    folder_ = pattern;
    home_ = folder_ + "/home";
    record_ = folder_ + "/received.tsv";
    std::filesystem::create_directory(home_);
    const std::string password_file = folder_ + "/password";
    std::ofstream(password_file) << options_.password << "\n";
    const std::string log = folder_ + "/server.log";

    std::vector<std::string> args;
    if (!options_.netns.empty()) args = {"ip", "netns", "exec", options_.netns};
    args.insert(args.end(), {kPython, script_for(options_.behaviour), "--host", options_.host, "--port",
                             std::to_string(options_.port), "--home", home_, "--password-file", password_file,
                             "--record", record_, "--commands", folder_ + "/commands.txt"});
    if (options_.behaviour != FtpPeerBehaviour::Stock) {
        args.insert(args.end(), {"--behaviour", behaviour_name(options_.behaviour), "--drop-after",
                                 std::to_string(options_.drop_after)});
    }

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe for the FTP peer");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("cannot start the FTP peer");
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);

    // Wait for "READY <port>".
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        char buf[128];
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (line.rfind("READY ", 0) != 0) {
        const std::string reason = "the FTP peer did not start: " + read_all(log);
        stop();
        throw std::runtime_error(reason);
    }
    port_ = std::atoi(line.c_str() + 6);
}

FtpPeer::~FtpPeer() { stop(); }

void FtpPeer::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 50 && !gone; ++i) {
            gone = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!gone) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        folder_.clear();
    }
}

std::vector<FtpReceived> FtpPeer::received() const {
    std::vector<FtpReceived> out;
    std::ifstream in(record_);
    std::string line;
    while (std::getline(in, line)) {
        const auto a = line.find('\t');
        const auto b = line.find('\t', a == std::string::npos ? a : a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        out.push_back({std::atoll(line.substr(0, a).c_str()), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return out;
}

std::vector<FtpReceived> FtpPeer::wait_received(std::size_t n) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto got = received();
    while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        got = received();
    }
    return got;
}

std::vector<std::string> FtpPeer::commands() const {
    std::vector<std::string> out;
    std::ifstream in(folder_ + "/commands.txt");
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

std::string FtpPeer::server_log() const { return read_all(folder_ + "/server.log"); }

}  // namespace fw::test
