#pragma once

#include <memory>
#include <string>
#include <vector>

#include "routersim/Device.h"
#include "routersim/NormalRouter.h"
#include "routersim/RecoveryLoader.h"

namespace routersim {

enum class DeviceKind { Normal, Loader };

struct DeviceSpec {
    DeviceKind kind = DeviceKind::Normal;
    NormalRouterOptions normal{};
    RecoveryLoaderOptions loader{};
};

// The routersim command line, read into settings.
struct CommandLine {
    std::string bind_address = "0.0.0.0";
    std::string store_dir;
    std::string log_file;
    std::vector<DeviceSpec> devices;
    bool help = false;
};

// Raises std::invalid_argument with a message naming the option it cannot use.
CommandLine parse_command_line(const std::vector<std::string>& args);
std::unique_ptr<Device> make_device(const DeviceSpec& spec);
std::string usage_text();

}  // namespace routersim
