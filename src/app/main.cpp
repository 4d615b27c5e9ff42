// The program entry: wires the real platform (Qt window, event loop and
// dialogs, the network, the process environment) into the tool and runs it.
#include <exception>
#include <memory>
#include <stdexcept>

#include "app/RealNetwork.h"
#include "app/TUpgradeForm1.h"
#include "discovery/TRefreshForm.h"
#include "platform/files/FileRoutines.h"
#include "platform/qt/QtApplicationHost.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"

int main(int argc, char** argv) {
    fw::QtApplicationHost qt(argc, argv);
    fw::QtEventLoop loop;
    fw::QtDialogs dialogs(loop);
    fw::QtBinding binding{loop};
    fw::SystemEnvironment env;
    std::unique_ptr<fw::NetworkFactory> net = fw::make_real_network(loop);

    fw::Application app(fw::Services{loop, dialogs, *net, env, fw::own_executable_path()});
    app.set_binding(&binding);
    // An exception that escapes an event handler (a socket error, a failed
    // FTP command) is shown by the application's exception display, and the
    // program goes on.
    auto show = [&app](const std::exception& e) { app.ShowException(e); };
    loop.set_exception_handler(show);
    binding.set_exception_handler(show);

    try {
        app.Initialize();
        auto& form = app.CreateForm<fw::TUpgradeForm1>();
        auto& refresh = app.CreateForm<fw::TRefreshForm>(form);
        form.set_refresh_form(&refresh);
        app.Run();
    } catch (const std::exception& e) {
        app.ShowException(e);
    } catch (...) {
        app.ShowException(std::runtime_error("Unknown exception"));
    }
    return 0;
}
