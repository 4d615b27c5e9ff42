#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FakeFtpServer.h"
#include "app/TUpgradeForm1.h"
#include "memnet/MemoryNetwork.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace fw::test {

// The main window on a virtual clock and the in-memory network, with one
// running router whose FTP server is a FakeFtpServer. Package entries are
// written straight into the temporary folder.
struct FtpHarness {
    static constexpr const char* kAddress = "192.168.0.1";
    static constexpr const char* kPassword = "Ro0t!pw";

    FtpHarness();

    TempDir dir;
    VirtualClock clock;
    PollEventLoop loop{clock};
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    FakeFtpServer server;
    memnet::MemoryNetwork net{loop, clock};
    // Every status text shown, in order.
    std::vector<std::string> statuses;
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    TUpgradeForm1* w = nullptr;

    // The device table holds the running router, chosen in the combo box, with the password typed.
    void list_router(const std::string& module = "WX2000", int status = 1);
    // A package entry: temp_dir + name, its file name + ".tmp". Returns the entry's name as stored.
    std::string add_entry(const std::string& name, std::uint16_t attribute, const std::vector<std::uint8_t>& bytes);
    // A file picked by hand (no package). Returns its path.
    std::string pick_file(const std::string& name, const std::vector<std::uint8_t>& bytes);
    void click_upgrade() { w->Upgrade.click(); }

    bool window_alive() const { return guard_->alive(); }
    // The main window was closed: the program is ending.
    bool window_closed() const { return app.terminated(); }
    const std::vector<std::string>& log() const { return w->Memo1.lines(); }
    bool logged(const std::string& line) const;
    // The log lines beginning with prefix, in order.
    std::vector<std::string> log_lines_starting(const std::string& prefix) const;

private:
    std::optional<TForm::Guard> guard_;
};

// Bytes that differ from block to block.
std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed = 1);

}  // namespace fw::test
