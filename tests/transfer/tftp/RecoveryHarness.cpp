#include "transfer/tftp/RecoveryHarness.h"

#include <algorithm>

#include "support/NullNetwork.h"

namespace fw::test {

RecoveryHarness::RecoveryHarness() {
    // No FTP in these tests; the window still owns an FTP component.
    net.set_ftp_client_maker([] { return NullNetwork().make_ftp_client(); });
    w = &app.CreateForm<TUpgradeForm1>();
    guard_.emplace(w->guard());
}

routersim::RecoveryLoader& RecoveryHarness::add_loader(routersim::RecoveryLoaderOptions options) {
    return net.add_recovery_loader(kLoaderAddress, std::move(options));
}

void RecoveryHarness::list_loader(const std::string& module) {
    w->routers.info[0] = router_info{0, kLoaderAddress, module, ""};
    w->routers.count = 1;
    w->IPComBox.set_text(std::string(kLoaderAddress) + "  crash");
    w->Upgrade.set_enabled(true);
}

std::string RecoveryHarness::write_file(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return dir.write(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

void RecoveryHarness::add_entry(const std::string& name, std::uint16_t attribute,
                                const std::vector<std::uint8_t>& bytes) {
    write_file(name + ".tmp", bytes);
    ImbedFileList& list = w->file_list;
    list.name[list.count] = dir.path() + "/" + name;
    list.attribute[list.count] = attribute;
    ++list.count;
    w->embedded = true;
    if (attribute & 0x0800) w->file_size += static_cast<std::int32_t>(bytes.size());
}

void RecoveryHarness::click_upgrade() { w->Upgrade.click(); }

bool RecoveryHarness::logged(const std::string& line) const { return log_index(line) >= 0; }

int RecoveryHarness::log_index(const std::string& line, int from) const {
    const auto& lines = log();
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < lines.size(); ++i)
        if (lines[i] == line) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> RecoveryHarness::log_lines_starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log())
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

std::vector<memnet::TrafficRecord> RecoveryHarness::sent_to(const std::string& address) const {
    std::vector<memnet::TrafficRecord> out;
    for (const auto& record : net.traffic())
        if (record.to_address == address) out.push_back(record);
    return out;
}

std::vector<std::size_t> RecoveryHarness::data_lengths(const std::string& address) const {
    std::vector<std::size_t> out;
    for (const auto& record : sent_to(address))
        if (record.bytes.size() >= 2 && record.bytes[0] == 0 && record.bytes[1] == 3) out.push_back(record.bytes.size());
    return out;
}

std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

}  // namespace fw::test
