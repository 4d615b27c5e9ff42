// routersim: simulated routers on real UDP sockets, for lab networks.

#include <csignal>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "CommandLine.h"
#include "SimHost.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void request_stop(int) { stop_requested = 1; }

}  // namespace

int main(int argc, char** argv) {
    routersim::CommandLine line;
    try {
        line = routersim::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "routersim: " << error.what() << '\n' << routersim::usage_text();
        return 2;
    }
    if (line.help) {
        std::cout << routersim::usage_text();
        return 0;
    }
    std::ofstream log_file;
    if (!line.log_file.empty()) {
        log_file.open(line.log_file, std::ios::app);
        if (!log_file) {
            std::cerr << "routersim: Cannot open the log file " << line.log_file << '\n';
            return 1;
        }
    }
    std::ostream& log = line.log_file.empty() ? std::cout : log_file;

    // No SA_RESTART, so a signal ends the poll at once.
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    std::vector<std::unique_ptr<routersim::Device>> devices;
    for (const auto& spec : line.devices)
        devices.push_back(routersim::make_device(spec));
    routersim::SimHost host(line.bind_address, std::move(devices), log, line.store_dir);
    try {
        host.open();
    } catch (const std::runtime_error& error) {
        std::cerr << "routersim: " << error.what() << '\n';
        return 1;
    }
    host.run(stop_requested);
    return 0;
}
