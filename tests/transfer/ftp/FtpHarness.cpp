#include "FtpHarness.h"

#include "FakeFtpClient.h"

namespace fw::test {

FtpHarness::FtpHarness() {
    env.set("TEMP", dir.path());
    server.address = kAddress;
    server.users = {{"root", kPassword}};
    net.add_normal_router(kAddress);
    net.set_ftp_client_maker([this] { return std::make_unique<FakeFtpClient>(loop, server); });
    w = &app.CreateForm<TUpgradeForm1>();
    guard_.emplace(w->guard());
    w->StatusBar1.observer = [this](Control&, Property p) {
        if (p == Property::Text) statuses.push_back(w->StatusBar1.simple_text());
    };
}

void FtpHarness::list_router(const std::string& module, int status) {
    w->routers.info[0] = router_info{status, kAddress, module, ""};
    w->routers.count = 1;
    w->IPComBox.set_text(kAddress);
    w->PasswordComBox.set_text(kPassword);
    w->Upgrade.set_enabled(true);
}

std::string FtpHarness::add_entry(const std::string& name, std::uint16_t attribute,
                                  const std::vector<std::uint8_t>& bytes) {
    ImbedFileList& list = w->file_list;
    const std::string stored = w->temp_dir + name;
    dir.write(name + ".tmp", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    list.name[list.count] = stored;
    list.attribute[list.count] = attribute;
    ++list.count;
    w->embedded = true;
    if (attribute & 0x0800) w->file_size += static_cast<std::int32_t>(bytes.size());
    return stored;
}

std::string FtpHarness::pick_file(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.write(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    w->embedded = false;
    w->UpdateFileName.set_text(path);
    w->file_size = static_cast<std::int32_t>(bytes.size());
    return path;
}

bool FtpHarness::logged(const std::string& line) const {
    for (const auto& l : log())
        if (l == line) return true;
    return false;
}

std::vector<std::string> FtpHarness::log_lines_starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log())
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
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
