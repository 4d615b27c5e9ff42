#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fw::lab {

enum class PingReply { Answered, Ignored };

// One routersim process in a namespace of its own.
struct LabRouter {
    std::string name;                          // a-z and 0-9, at most 12; not "pc" or "sw"
    std::string address;                       // "192.168.0.1/24"; /24 when no length is given
    std::vector<std::string> routersim_args;   // e.g. {"--normal", "module=WX2000"}
    PingReply ping = PingReply::Answered;
};

struct LabConfig {
    std::vector<std::string> pc_addresses{"192.168.0.100/24"};
    std::vector<LabRouter> routers;
};

struct CommandResult {
    int exit_code = -1;
    std::string output;  // stdout and stderr
};

// A lab network made by scripts/lab.sh: a PC namespace and one namespace per
// router, joined by a bridge in a switch namespace. The destructor removes it;
// so do SIGINT, SIGTERM and SIGHUP, and a later lab removes one whose test
// process died.
class LabNetwork {
public:
    // Why labs cannot run here (not root, no ip netns), or empty when they can.
    static std::string unavailable_reason();

    // Raises std::runtime_error with the script's messages when the lab cannot be made.
    explicit LabNetwork(const LabConfig& config);
    ~LabNetwork();
    LabNetwork(const LabNetwork&) = delete;
    LabNetwork& operator=(const LabNetwork&) = delete;

    const std::string& prefix() const { return prefix_; }
    // The namespace of "pc" or of a router.
    std::string namespace_of(const std::string& host) const { return prefix_ + "-" + host; }

    // Runs body in a forked child that has entered the host's namespace and
    // returns the text it returns. A text starting "child failed" or
    // "exception: " says the body did not run to its end.
    std::string run_in(const std::string& host, const std::function<std::string()>& body) const;
    std::string run_in_pc(const std::function<std::string()>& body) const { return run_in("pc", body); }
    // Runs a program in the host's namespace (ip netns exec).
    CommandResult exec(const std::string& host, const std::vector<std::string>& argv) const;

    // The routersim log of a router: one line per datagram handled.
    std::string router_log(const std::string& name) const;
    // Where a router's recovery loader writes the files it received.
    std::string store_dir(const std::string& name) const;

private:
    std::string state_dir() const;

    std::string prefix_;
};

}  // namespace fw::lab
