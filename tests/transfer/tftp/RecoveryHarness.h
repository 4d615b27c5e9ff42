#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "memnet/MemoryNetwork.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "routersim/Device.h"
#include "support/TempDir.h"

namespace fw::test {

// The main window on a virtual clock and the in-memory network, with a
// recovery loader to reflash and package entries written straight into a
// temporary folder.
struct RecoveryHarness {
    static constexpr const char* kLoaderAddress = "192.168.0.50";
    static constexpr const char* kLoaderText = "$Plumet Boot Loader V1.0";

    RecoveryHarness();

    TempDir dir;
    VirtualClock clock;
    PollEventLoop loop{clock};
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    memnet::MemoryNetwork net{loop, clock};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    TUpgradeForm1* w = nullptr;

    routersim::RecoveryLoader& add_loader(routersim::RecoveryLoaderOptions options = {});
    // The device table holds one recovery loader record, selected in the combo box.
    void list_loader(const std::string& module = kLoaderText);
    // A package entry: its file is name + ".tmp" in the temporary folder.
    void add_entry(const std::string& name, std::uint16_t attribute, const std::vector<std::uint8_t>& bytes);
    std::string write_file(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    void click_upgrade();
    void run_for(std::uint32_t ms) { loop.run_for(ms); }

    // Whether the window still stands (the watchdog releases it).
    bool window_alive() const { return guard_->alive(); }
    const std::vector<std::string>& log() const { return w->Memo1.lines(); }
    bool logged(const std::string& line) const;
    // Position of the first log line equal to line at or after from, or -1.
    int log_index(const std::string& line, int from = 0) const;
    // The log lines beginning with prefix, in order.
    std::vector<std::string> log_lines_starting(const std::string& prefix) const;

    // Datagrams this computer sent to the address, in order.
    std::vector<memnet::TrafficRecord> sent_to(const std::string& address = kLoaderAddress) const;
    // Lengths of the DATA datagrams sent to the address.
    std::vector<std::size_t> data_lengths(const std::string& address = kLoaderAddress) const;

private:
    std::optional<TForm::Guard> guard_;
};

// Bytes that differ from block to block, so a shifted or repeated block shows.
std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed = 1);

// A device that answers anything sent to it with one fixed datagram, sent to a
// fixed port of this computer (0: back to the sender's port): stray traffic.
class StrayDevice final : public routersim::Device {
public:
    StrayDevice(routersim::Bytes answer, int to_port, int from_port = 69)
        : answer_(std::move(answer)), to_port_(to_port), from_port_(from_port) {}
    std::vector<routersim::Outgoing> receive(const routersim::Incoming& datagram, std::uint32_t) override {
        return {{answer_, datagram.from_address, to_port_ == 0 ? datagram.from_port : to_port_, from_port_}};
    }
    bool answers_ping(std::uint32_t) const override { return true; }
    std::vector<int> ports() const override { return {from_port_}; }
    std::string kind() const override { return "stray"; }

private:
    routersim::Bytes answer_;
    int to_port_;
    int from_port_;
};

}  // namespace fw::test
