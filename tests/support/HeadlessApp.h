#pragma once

#include <memory>
#include <string>

#include "platform/net/NetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/runtime/VirtualClock.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/NullNetwork.h"

namespace fw::test {

// Everything a form needs to run without a screen: a virtual clock, the poll
// loop on it, scripted dialogs, a fixed environment and a network.
struct HeadlessApp {
    explicit HeadlessApp(std::string exe_name = "/nonexistent/fwupgrade", NetworkFactory* network = nullptr)
        : net(network ? network : &null_net),
          app(Services{loop, dialogs, *net, env, std::move(exe_name)}) {}

    VirtualClock clock;
    PollEventLoop loop{clock};
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    NullNetwork null_net;
    NetworkFactory* net;
    Application app;
};

}  // namespace fw::test
