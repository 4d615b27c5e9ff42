#include "SimHost.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>

#include "routersim/RecoveryLoader.h"
#include "routersim/TftpPacket.h"

namespace routersim {

namespace {

// A received file name made safe to use as a file name in the store folder.
std::string safe_file_name(const std::string& name) {
    std::string safe;
    for (char c : name)
        safe += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (safe.empty() || safe == "." || safe == "..")
        safe = "_" + safe;
    return safe;
}

}  // namespace

SimHost::SimHost(std::string bind_address, std::vector<std::unique_ptr<Device>> devices, std::ostream& log,
                 std::string store_dir)
    : bind_address_(std::move(bind_address)), devices_(std::move(devices)), log_(log),
      store_dir_(std::move(store_dir)), files_stored_(devices_.size(), 0), reboots_seen_(devices_.size(), 0) {}

SimHost::~SimHost() {
    for (const auto& [port, fd] : sockets_)
        ::close(fd);
}

std::uint32_t SimHost::now_ms() const {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SimHost::open() {
    std::set<int> ports;
    for (const auto& device : devices_)
        for (int port : device->ports())
            ports.insert(port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, bind_address_.c_str(), &address.sin_addr);
    for (int port : ports) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            throw std::runtime_error(std::string("Cannot open a UDP socket: ") + std::strerror(errno));
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            const int error = errno;
            ::close(fd);
            throw std::runtime_error("Cannot bind UDP " + bind_address_ + ":" + std::to_string(port) + ": " +
                                     std::strerror(error));
        }
        sockets_[port] = fd;
    }
    log_ << "ready on " << bind_address_ << " ports";
    for (int port : ports)
        log_ << ' ' << port;
    log_ << std::endl;
}

void SimHost::run(const volatile std::sig_atomic_t& stop) {
    std::vector<pollfd> fds;
    std::vector<int> ports;
    for (const auto& [port, fd] : sockets_) {
        fds.push_back({fd, POLLIN, 0});
        ports.push_back(port);
    }
    while (!stop) {
        // The time-out only bounds how late a signal that slipped in before poll is seen.
        if (::poll(fds.data(), fds.size(), 200) <= 0)
            continue;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN)
                handle(fds[i].fd, ports[i]);
        }
    }
    log_ << "stopped" << std::endl;
}

void SimHost::handle(int fd, int local_port) {
    Bytes buffer(65536);
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                                 &from_length);
    if (n < 0)
        return;
    buffer.resize(static_cast<std::size_t>(n));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    const Incoming incoming{buffer, text, ntohs(from.sin_port), local_port};
    const std::uint32_t now = now_ms();

    log_ << now << ' ' << incoming.from_address << ':' << incoming.from_port << " -> " << local_port << ' '
         << describe_datagram(incoming.bytes);
    bool answered = false;
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        for (const Outgoing& out : devices_[d]->receive(incoming, now)) {
            log_ << (answered ? "; " : " => ") << devices_[d]->kind() << ' ' << d + 1 << " sends "
                 << describe_datagram(out.bytes) << " from " << out.from_port << " to " << out.to_address << ':'
                 << out.to_port;
            answered = true;
            const auto socket = sockets_.find(out.from_port);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(static_cast<std::uint16_t>(out.to_port));
            if (socket == sockets_.end() || inet_pton(AF_INET, out.to_address.c_str(), &to.sin_addr) != 1 ||
                ::sendto(socket->second, out.bytes.data(), out.bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                         sizeof to) < 0)
                log_ << " (not sent: " << std::strerror(errno) << ")";
        }
        store_new_files(d);
    }
    if (!answered)
        log_ << " => no answer";
    log_ << std::endl;
}

void SimHost::store_new_files(std::size_t d) {
    const auto* loader = dynamic_cast<const RecoveryLoader*>(devices_[d].get());
    if (!loader)
        return;
    if (loader->reboot_requests() != reboots_seen_[d]) {
        reboots_seen_[d] = loader->reboot_requests();
        log_ << "; loader " << d + 1 << " reboots";
    }
    const auto& files = loader->files();
    for (; files_stored_[d] < files.size(); ++files_stored_[d]) {
        const StoredFile& file = files[files_stored_[d]];
        log_ << "; loader " << d + 1 << " stored \"" << file.name << "\" (" << file.bytes.size() << " bytes)";
        if (store_dir_.empty())
            continue;
        // Written under a temporary name and renamed, so a reader never sees half a file.
        const std::string path = store_dir_ + "/" + safe_file_name(file.name);
        const std::string part = path + ".part";
        std::ofstream(part, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        if (std::rename(part.c_str(), path.c_str()) != 0)
            log_ << " (cannot write " << path << ": " << std::strerror(errno) << ")";
    }
}

}  // namespace routersim
