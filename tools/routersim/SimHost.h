#pragma once

#include <csignal>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "routersim/Device.h"

namespace routersim {

// Runs simulated devices over real UDP sockets: one socket per port the
// devices use, bound to one address (or all), each datagram handed to every
// device and their answers sent from the socket of the port they name.
class SimHost {
public:
    SimHost(std::string bind_address, std::vector<std::unique_ptr<Device>> devices, std::ostream& log,
            std::string store_dir);
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // Binds the sockets; raises std::runtime_error when one cannot be bound.
    void open();
    // Handles datagrams until stop becomes non-zero.
    void run(const volatile std::sig_atomic_t& stop);

private:
    void handle(int fd, int local_port);
    void store_new_files(std::size_t device_index);
    std::uint32_t now_ms() const;

    std::string bind_address_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::ostream& log_;
    std::string store_dir_;
    std::map<int, int> sockets_;  // local port to descriptor
    std::vector<std::size_t> files_stored_;
    std::vector<int> reboots_seen_;
};

}  // namespace routersim
