#pragma once

#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "discovery/LayoutMode.h"
#include "discovery/TRefreshForm.h"
#include "memnet/MemoryNetwork.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"

namespace fw::test {

// The main window and the search dialog, wired as the program entry wires
// them, on a virtual clock over an in-memory network.
struct SearchBench {
    SearchBench() { w.set_refresh_form(&refresh); }

    VirtualClock clock;
    PollEventLoop loop{clock};
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    memnet::MemoryNetwork net{loop, clock};
    // The search needs no FTP; the main window still has its FTP component.
    NullNetwork null_net;
    bool ftp_wired = (net.set_ftp_client_maker([this] { return null_net.make_ftp_client(); }), true);
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    TUpgradeForm1& w = app.CreateForm<TUpgradeForm1>();
    TRefreshForm& refresh = app.CreateForm<TRefreshForm>(w);

    // The records in use, as "status address" texts.
    std::vector<std::string> records() const {
        std::vector<std::string> out;
        for (int i = 0; i < w.routers.count; ++i)
            out.push_back(std::to_string(w.routers.info[i].status) + " " + w.routers.info[i].address);
        return out;
    }
    // How many times a modal form was shown.
    int modal_runs() const {
        int n = 0;
        for (const auto& c : dialogs.calls())
            if (c.kind == ScriptedDialogs::Kind::ModalForm) ++n;
        return n;
    }
    int exceptions_shown() const {
        int n = 0;
        for (const auto& c : dialogs.calls())
            if (c.kind == ScriptedDialogs::Kind::Exception) ++n;
        return n;
    }
    // The probes this computer sent, as "address:port" texts.
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const auto& t : net.traffic())
            if (t.to_port == 9 || t.to_port == 69)
                out.push_back(t.to_address + ":" + std::to_string(t.to_port));
        return out;
    }
};

}  // namespace fw::test
