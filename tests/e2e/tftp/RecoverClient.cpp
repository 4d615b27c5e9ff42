// tftp_recover_client: the main window headless, on the real clock and the
// real network, reflashing one recovery loader with a file picked by hand,
// the way a user starts it with the Upgrade button. Run it only inside a lab
// network namespace (ip netns exec), never in the machine's own network.
//
//   tftp_recover_client ADDRESS FILE [--transfer-only] [--timeout-ms N]
//
// Prints what the user would see: "box CAPTION|TEXT" for each message box,
// "status MS TEXT" for each status text (milliseconds since the click), the
// System Log lines other than the per-datagram ones as "log LINE", the count
// of "Sent " lines, "transfer_ms N" (the write request to the final
// acknowledgement, so the ping before it is not counted) and,
// after a success, "after_box_ms N" (how long the window waited after the
// success box before it went on to search again). --transfer-only ends after
// the final acknowledgement. Exit code 0 after "Recover Success", 1 when the
// run ended otherwise, 2 for a bad command line, 3 on the time-out.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "platform/net/FtpClient.h"
#include "platform/net/posix/PosixNetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/ui/ScriptedDialogs.h"

namespace {

// The recovery run needs no FTP; the window still owns an FTP component.
class NoFtp final : public fw::FtpClient {
public:
    void Connect() override {}
    void Upload(const std::string&, const std::string&) override {}
    void Disconnect() override {}
    bool connected() const override { return false; }
    std::int64_t bytes_sent() const override { return 0; }
    std::int64_t bytes_total() const override { return 0; }
};

int usage() {
    std::fprintf(stderr, "usage: tftp_recover_client ADDRESS FILE [--transfer-only] [--timeout-ms N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string address = argv[1];
    const std::string file = argv[2];
    bool transfer_only = false;
    long timeout_ms = 300000;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--transfer-only") {
            transfer_only = true;
        } else if (arg == "--timeout-ms" && i + 1 < argc) {
            timeout_ms = std::strtol(argv[++i], nullptr, 10);
            if (timeout_ms <= 0) return usage();
        } else {
            return usage();
        }
    }

    fw::PollEventLoop loop;
    fw::ScriptedDialogs dialogs{&loop};
    fw::MapEnvironment env;
    fw::PosixNetworkFactory net{loop, [] { return std::make_unique<NoFtp>(); }};
    fw::Application app{fw::Services{loop, dialogs, net, env, "/proc/self/exe"}};
    auto& w = app.CreateForm<fw::TUpgradeForm1>();
    // The watchdog may release the window; nothing of it is read after that.
    const fw::TForm::Guard window = w.guard();
    fw::Clock& clock = loop.clock();

    // The device table as the search fills it for a loader at this address.
    w.routers.info[0] = fw::router_info{0, address, "$Plumet Boot Loader V1.0", ""};
    w.routers.count = 1;
    w.IPComBox.set_text(address + "  crash");
    w.UpdateFileName.set_text(file);
    // The service view: the System Log shown, as a technician would run it.
    w.SetFormMode(6);
    w.service_mode = true;
    w.Upgrade.set_enabled(true);

    const std::uint32_t start = clock.now_ms();
    auto since_start = [&] { return static_cast<std::uint32_t>(clock.now_ms() - start); };
    std::vector<std::string> statuses;
    std::uint32_t write_request_time = 0;
    w.StatusBar1.observer = [&](fw::Control&, fw::Property) {
        const std::string& text = w.StatusBar1.simple_text();
        // Set right before the write request goes out.
        if (text == "Initial Upgrade Information..." && write_request_time == 0) write_request_time = clock.now_ms();
        if (statuses.empty() || statuses.back() != text) {
            statuses.push_back(text);
            std::printf("status %u %s\n", since_start(), text.c_str());
        }
    };
    bool success = false;
    bool ended = false;
    std::uint32_t box_time = 0;
    dialogs.while_open = [&](const fw::ScriptedDialogs::Call& call) {
        std::printf("box %s|%s\n", call.caption.c_str(), call.text.c_str());
        box_time = clock.now_ms();
        if (call.caption == "Recover Success") success = true;
        ended = true;
    };

    std::uint32_t transfer_ms = 0;
    w.Upgrade.click();
    const bool finished = loop.run_until([&] {
        if (!window.alive()) return true;
        if (transfer_ms == 0 && w.tftp.tftp_job == fw::SELECT_DONE)
            transfer_ms = std::max<std::uint32_t>(1, clock.now_ms() - write_request_time);
        if (transfer_only && transfer_ms != 0) return true;
        return ended || app.terminated() || since_start() >= static_cast<std::uint32_t>(timeout_ms);
    });
    (void)finished;

    // Every box closes at once, so the success path has run to its end here.
    if (success) std::printf("after_box_ms %u\n", static_cast<std::uint32_t>(clock.now_ms() - box_time));
    int sent_lines = 0;
    static const std::vector<std::string> none;
    for (const auto& line : window.alive() ? w.Memo1.lines() : none) {
        if (line.rfind("Sent ", 0) == 0) {
            ++sent_lines;
            continue;
        }
        if (line.rfind("Recv : ", 0) == 0 || line.rfind("Stop Counter = ", 0) == 0) continue;
        std::printf("log %s\n", line.c_str());
    }
    std::printf("sent_lines %d\n", sent_lines);
    std::printf("transfer_ms %u\n", transfer_ms);
    std::fflush(stdout);
    if (transfer_only) return transfer_ms != 0 ? 0 : 3;
    if (success) return 0;
    return ended || app.terminated() ? 1 : 3;
}
