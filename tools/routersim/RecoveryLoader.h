#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "routersim/Device.h"
#include "routersim/NormalRouter.h"
#include "routersim/TftpPacket.h"

namespace routersim {

// What a recovery loader is after the delay that follows an "R!" request.
enum class AfterReboot { Silent, NormalRouter, RecoveryLoader };

struct RecoveryLoaderOptions {
    std::string text = "$Plumet Boot Loader V1.0";  // data of the "VN" answer
    bool wrong_marker = false;  // answer "VN" with the marker in capitals, "$PLUMET"
    int answers = 1;            // copies of the "VN" answer
    bool answers_ping = true;
    int ack_port = 69;          // port the write acknowledgements and errors leave from

    // Faults of a file write, by block number; 0 is the write request. Each
    // applies to every file written.
    std::optional<int> lose_ack{};      // this block's acknowledgement is not sent
    std::optional<int> repeat_ack{};    // this block's acknowledgement is sent twice
    std::optional<int> error_at{};      // an ERROR packet instead of this block's acknowledgement
    std::optional<int> silent_after{};  // after acknowledging this block, answer nothing more
    std::uint16_t error_code = 0;
    std::string error_message = "Flash write error";

    std::uint32_t reboot_delay_ms = 3000;
    AfterReboot after_reboot = AfterReboot::Silent;
    NormalRouterOptions normal{};  // the router it comes back as, with AfterReboot::NormalRouter
};

// A file received by a TFTP write, once its final block has arrived.
struct StoredFile {
    std::string name;
    Bytes bytes;
};

// A router stuck in its recovery loader: answers the TFTP read request for
// "VN" with its loader text, takes TFTP writes on port 69 and reboots on a
// read request for "R!".
class RecoveryLoader final : public Device {
public:
    static constexpr int TFTP_PORT = 69;
    static constexpr std::size_t BLOCK_SIZE = 512;

    enum class Phase { Loader, Rebooting, Silent, NormalRouter };

    explicit RecoveryLoader(RecoveryLoaderOptions options = {});

    std::vector<Outgoing> receive(const Incoming& datagram, std::uint32_t now_ms) override;
    bool answers_ping(std::uint32_t now_ms) const override;
    std::vector<int> ports() const override;
    std::string kind() const override { return "loader"; }

    const RecoveryLoaderOptions& options() const { return options_; }
    Phase phase(std::uint32_t now_ms) const;
    // Files whose write has completed, in order of completion.
    const std::vector<StoredFile>& files() const { return files_; }
    int reboot_requests() const { return reboot_requests_; }
    // The data of the "VN" answer.
    Bytes vn_answer() const;

private:
    struct WriteSession {
        std::string name;
        Bytes data{};
        std::uint16_t expected_block = 1;
        std::string peer_address;
        int peer_port = 0;
        bool ack_lost = false;
        bool complete = false;
    };

    std::vector<Outgoing> handle_read_request(const Incoming& datagram, const TftpRequest& request, std::uint32_t now_ms);
    std::vector<Outgoing> handle_write_request(const Incoming& datagram, const TftpRequest& request);
    std::vector<Outgoing> handle_data(const Incoming& datagram);
    std::vector<Outgoing> acknowledge(std::uint16_t block);
    Outgoing to_peer(const Incoming& datagram, Bytes bytes, int from_port) const;

    RecoveryLoaderOptions options_;
    NormalRouter normal_;
    std::optional<WriteSession> session_;
    std::vector<StoredFile> files_;
    std::optional<std::uint32_t> reboot_at_;
    int reboot_requests_ = 0;
    bool silent_ = false;
};

}  // namespace routersim
