#include "routersim/RecoveryLoader.h"

#include <algorithm>
#include <cctype>

namespace routersim {

namespace {

bool is_octet(const std::string& mode) {
    std::string lower = mode;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower == "octet";
}

bool is_block(const std::optional<int>& option, std::uint16_t block) {
    return option && *option == block;
}

}  // namespace

RecoveryLoader::RecoveryLoader(RecoveryLoaderOptions options)
    : options_(std::move(options)), normal_(options_.normal) {}

RecoveryLoader::Phase RecoveryLoader::phase(std::uint32_t now_ms) const {
    if (!reboot_at_)
        return Phase::Loader;
    if (now_ms - *reboot_at_ < options_.reboot_delay_ms)
        return Phase::Rebooting;
    switch (options_.after_reboot) {
    case AfterReboot::NormalRouter: return Phase::NormalRouter;
    case AfterReboot::RecoveryLoader: return Phase::Loader;
    case AfterReboot::Silent: break;
    }
    return Phase::Silent;
}

bool RecoveryLoader::answers_ping(std::uint32_t now_ms) const {
    switch (phase(now_ms)) {
    case Phase::Loader: return options_.answers_ping;
    case Phase::NormalRouter: return normal_.answers_ping(now_ms);
    case Phase::Rebooting:
    case Phase::Silent: break;
    }
    return false;
}

std::vector<int> RecoveryLoader::ports() const {
    std::vector<int> ports{TFTP_PORT};
    if (options_.ack_port != TFTP_PORT)
        ports.push_back(options_.ack_port);
    if (options_.after_reboot == AfterReboot::NormalRouter)
        ports.push_back(NormalRouter::PROBE_PORT);
    return ports;
}

Bytes RecoveryLoader::vn_answer() const {
    Bytes text(options_.text.begin(), options_.text.end());
    if (options_.wrong_marker) {
        for (std::size_t i = 0; i < std::min<std::size_t>(7, text.size()); ++i)
            text[i] = static_cast<std::uint8_t>(std::toupper(text[i]));
    }
    text.push_back(0);
    return tftp_data(1, text);
}

std::vector<Outgoing> RecoveryLoader::receive(const Incoming& datagram, std::uint32_t now_ms) {
    switch (phase(now_ms)) {
    case Phase::NormalRouter: return normal_.receive(datagram, now_ms);
    case Phase::Rebooting:
    case Phase::Silent: return {};
    case Phase::Loader: break;
    }
    if (silent_)
        return {};
    const bool at_tftp_port = datagram.local_port == TFTP_PORT;
    if (!at_tftp_port && datagram.local_port != options_.ack_port)
        return {};
    if (const auto request = parse_tftp_request(datagram.bytes); request && at_tftp_port) {
        if (request->opcode == TftpOpcode::ReadRequest)
            return handle_read_request(datagram, *request, now_ms);
        return handle_write_request(datagram, *request);
    }
    if (tftp_opcode(datagram.bytes) == static_cast<std::uint16_t>(TftpOpcode::Data) && tftp_block(datagram.bytes))
        return handle_data(datagram);
    return {};
}

std::vector<Outgoing> RecoveryLoader::handle_read_request(const Incoming& datagram, const TftpRequest& request,
                                                          std::uint32_t now_ms) {
    if (request.filename == "VN") {
        std::vector<Outgoing> out;
        for (int i = 0; i < options_.answers; ++i)
            out.push_back(to_peer(datagram, vn_answer(), TFTP_PORT));
        return out;
    }
    if (request.filename == "R!" && is_octet(request.mode)) {
        // Rebooting drops whatever was in progress; the loader answers nothing.
        reboot_at_ = now_ms;
        ++reboot_requests_;
        session_.reset();
        silent_ = false;
        return {};
    }
    return {to_peer(datagram, tftp_error(1, "File not found"), TFTP_PORT)};
}

std::vector<Outgoing> RecoveryLoader::handle_write_request(const Incoming& datagram, const TftpRequest& request) {
    session_.reset();
    if (is_block(options_.error_at, 0))
        return {to_peer(datagram, tftp_error(options_.error_code, options_.error_message), options_.ack_port)};
    if (!is_octet(request.mode))
        return {to_peer(datagram, tftp_error(0, "Only octet mode is supported"), options_.ack_port)};
    session_ = WriteSession{.name = request.filename, .peer_address = datagram.from_address,
                            .peer_port = datagram.from_port};
    return acknowledge(0);
}

std::vector<Outgoing> RecoveryLoader::handle_data(const Incoming& datagram) {
    if (!session_)
        return {};
    if (datagram.from_address != session_->peer_address || datagram.from_port != session_->peer_port)
        return {to_peer(datagram, tftp_error(5, "Unknown transfer ID"), options_.ack_port)};
    const std::uint16_t block = *tftp_block(datagram.bytes);
    if (session_->complete || block != session_->expected_block) {
        // A copy of the block acknowledged last is acknowledged again, as a
        // sender that lost the acknowledgement expects; anything else is ignored.
        if (block == static_cast<std::uint16_t>(session_->expected_block - 1))
            return {to_peer(datagram, tftp_ack(block), options_.ack_port)};
        return {};
    }
    if (is_block(options_.error_at, block)) {
        session_.reset();
        return {to_peer(datagram, tftp_error(options_.error_code, options_.error_message), options_.ack_port)};
    }
    const std::size_t length = datagram.bytes.size() - 4;
    if (length > BLOCK_SIZE) {
        session_.reset();
        return {to_peer(datagram, tftp_error(4, "Illegal TFTP operation"), options_.ack_port)};
    }
    session_->data.insert(session_->data.end(), datagram.bytes.begin() + 4, datagram.bytes.end());
    ++session_->expected_block;
    if (length < BLOCK_SIZE) {
        session_->complete = true;
        files_.push_back({session_->name, session_->data});
    }
    return acknowledge(block);
}

std::vector<Outgoing> RecoveryLoader::acknowledge(std::uint16_t block) {
    std::vector<Outgoing> out;
    const Outgoing ack{tftp_ack(block), session_->peer_address, session_->peer_port, options_.ack_port};
    if (is_block(options_.lose_ack, block) && !session_->ack_lost) {
        session_->ack_lost = true;
    } else {
        out.push_back(ack);
        if (is_block(options_.repeat_ack, block))
            out.push_back(ack);
    }
    if (is_block(options_.silent_after, block))
        silent_ = true;
    return out;
}

Outgoing RecoveryLoader::to_peer(const Incoming& datagram, Bytes bytes, int from_port) const {
    return {std::move(bytes), datagram.from_address, datagram.from_port, from_port};
}

}  // namespace routersim
