#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fw::test {

// The server side of the fake FTP client: what a router's FTP server knows
// and does, and what it has received. Tests set the behaviour and read the
// results; every FakeFtpClient made for it talks to this one server.
struct FakeFtpServer {
    // The address the server answers on; a login to any other address is refused as by a closed port.
    std::string address = "192.168.1.1";
    std::map<std::string, std::string> users{{"root", "admin"}};

    // The reply that refuses every login, e.g. "530 Login incorrect."; empty: users and passwords decide.
    std::string login_refusal;
    // The reply that refuses every STOR, e.g. "550 Permission denied."; empty: STOR is accepted.
    std::string stor_refusal;
    // The final reply after the data of an upload, by remote name.
    std::function<std::string(const std::string& remote)> final_reply = [](const std::string&) {
        return std::string("226 Transfer complete.");
    };
    // Both connections drop once this many bytes of an upload have arrived (negative: never).
    std::int64_t drop_after = -1;

    // Speed on the loop's clock: the data goes in blocks of this size, one per interval.
    std::size_t block_size = 8192;
    std::uint32_t block_interval_ms = 20;
    // Time a login takes.
    std::uint32_t login_ms = 10;

    // What arrived: files stored in full by remote name, and the STOR names in order.
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::string> stored;
    // Commands as the server saw them; the argument of PASS is never kept.
    std::vector<std::string> transcript;
    int logins = 0;
};

}  // namespace fw::test
